// Sheet titles in the document summary follow a rename, a delete or a move.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/doc_summary.h"
#include "support/copy_record_bytes.h"

namespace xls::model {
namespace {

using Bytes = std::vector<std::uint8_t>;

using tarnvale::testing::operator+;
using tarnvale::testing::u16s;

Bytes u32(std::size_t value) {
    return tarnvale::testing::u32s({static_cast<std::uint32_t>(value)});
}

// A VT_LPSTR with its terminating zero: Latin-1 text as bytes, or UTF-16 (1200).
Bytes lpstr(const std::u16string& s, std::uint16_t codePage) {
    Bytes value;
    for (char16_t c : s + u'\0') {
        value.push_back(static_cast<std::uint8_t>(c));
        if (codePage == 1200) value.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return u32(value.size()) + value;
}

Bytes padded(Bytes b) {
    b.resize((b.size() + 3) / 4 * 4, 0);
    return b;
}

struct Sample {
    std::uint16_t codePage = 1252;
    std::vector<std::pair<std::u16string, int>> headings;
    std::vector<std::u16string> parts;
    Bytes userSection{0x10, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0x10, 0, 0, 0};  // opaque
};

// Header, section 1 (CODEPAGE, an opaque property, HEADINGPAIR, DOCPARTS),
// section 2 (user properties, kept opaque).
Bytes build(const Sample& s) {
    Bytes headingPairs = u16s({0x100C, 0}) + u32(s.headings.size() * 2);
    for (const auto& [text, count] : s.headings)
        headingPairs = headingPairs + u16s({0x1E, 0}) + lpstr(text, s.codePage) + u16s({3, 0}) +
                       u32(static_cast<std::size_t>(count));
    Bytes docParts = u16s({0x101E, 0}) + u32(s.parts.size());
    for (const auto& p : s.parts) docParts = docParts + lpstr(p, s.codePage);
    const std::pair<std::uint32_t, Bytes> properties[] = {
        {1, u16s({2, 0, s.codePage, 0})},
        {0x17, u16s({3, 0}) + u32(0x000B0000)},  // application version, VT_I4
        {0x0C, padded(headingPairs)},
        {0x0D, padded(docParts)}};
    Bytes table, values;
    for (const auto& [id, value] : properties) {
        table = table + u32(id) + u32(8 + 4 * 8 + values.size());
        values = values + value;
    }
    const Bytes section = u32(8 + table.size() + values.size()) + u32(4) + table + values;
    return u16s({0xFFFE, 0}) + u32(0x00020006) + Bytes(16, 0) + u32(2) + Bytes(16, 0x02) +
           u32(28 + 2 * 20) + Bytes(16, 0x05) + u32(28 + 2 * 20 + section.size()) + section +
           s.userSection;
}

using Parts = std::vector<std::u16string>;
using Headings = std::vector<std::pair<std::u16string, int>>;

const Parts kParts = {u"Sheet1", u"Données", u"My Data", u"Sheet1!Print_Area",
                      u"'My Data'!Print_Titles"};

// Worksheet titles and names' titles, as the application writes them.
Sample excelLike(Parts parts = kParts,
                 Headings headings = {{u"Worksheets", 3}, {u"Named Ranges", 2}}) {
    Sample s;
    s.headings = std::move(headings);
    s.parts = std::move(parts);
    return s;
}

// The third sheet's title and its names' title after a rename of "My Data".
Sample renamedThird(const char16_t* title, const char16_t* printTitles) {
    return excelLike({u"Sheet1", u"Données", title, u"Sheet1!Print_Area", printTitles});
}

// Three worksheets, then one chart, whose title follows the worksheets'.
Sample withChart(Parts worksheets) {
    for (const char16_t* rest : {u"Chart1", u"Sheet1!Print_Area", u"'My Data'!Print_Titles"})
        worksheets.emplace_back(rest);
    return excelLike(worksheets, {{u"Worksheets", 3}, {u"Charts", 1}, {u"Named Ranges", 2}});
}

// The same titles in code page 1200 (UTF-16).
Sample inUtf16(Sample s) {
    s.codePage = 1200;
    return s;
}

using Edit = std::function<std::optional<Bytes>(const Bytes&)>;

Edit renamed(std::string from, std::string to) {
    return [=](const Bytes& b) { return renameSheetInDocSummary(b, from, to); };
}
Edit removed(std::string sheet) {
    return [=](const Bytes& b) { return removeSheetFromDocSummary(b, sheet); };
}
Edit inserted(std::string sheet, std::string before, std::string after) {
    return [=](const Bytes& b) { return insertSheetInDocSummary(b, sheet, before, after); };
}
Edit moved(std::string sheet, std::vector<std::string> aheadNearestLast) {
    return [=](const Bytes& b) { return moveSheetInDocSummary(b, sheet, aheadNearestLast); };
}
// One edit, then another on what it wrote.
Edit then(Edit first, Edit second) {
    return [=](const Bytes& b) {
        const auto once = first(b);
        return once ? second(*once) : std::nullopt;
    };
}

struct EditCase {
    const char* name;
    Sample before;
    Edit edit;
    std::optional<Sample> after;  // nullopt: the stream is left alone
};

class DocSummaryEditTest : public ::testing::TestWithParam<EditCase> {};

// Every edit writes the application's layout; other properties stay byte for byte.
TEST_P(DocSummaryEditTest, WritesTheTitlesAfterTheEdit) {
    const auto written = GetParam().edit(build(GetParam().before));
    ASSERT_EQ(written.has_value(), GetParam().after.has_value());
    if (written) {
        EXPECT_EQ(*written, build(*GetParam().after));
    }
}

// Names' titles quote a sheet unless plain (letters, digits, '_', '.', no digit
// first); a moved title stays in its heading's group.
INSTANTIATE_TEST_SUITE_P(
    Edits, DocSummaryEditTest,
    ::testing::Values(
        EditCase{"Rename", excelLike(), renamed("My Data", "Q3 Résumé"),
                 renamedThird(u"Q3 Résumé", u"'Q3 Résumé'!Print_Titles")},
        EditCase{"RenamePlain", excelLike(), renamed("My Data", "Q3.b_2"),
                 renamedThird(u"Q3.b_2", u"Q3.b_2!Print_Titles")},
        EditCase{"RenameDigitFirst", excelLike(), renamed("My Data", "0Q3"),
                 renamedThird(u"0Q3", u"'0Q3'!Print_Titles")},
        EditCase{"RenameQuote", excelLike(), renamed("My Data", "it's"),
                 renamedThird(u"it's", u"'it''s'!Print_Titles")},
        EditCase{"RenameUnspellable", excelLike(), renamed("My Data", "Ωmega"),
                 renamedThird(u"?mega", u"?mega!Print_Titles")},
        EditCase{"RemoveUnspellable", excelLike(),
                 then(renamed("My Data", "Ωmega"), removed("Ωmega")),
                 excelLike({u"Sheet1", u"Données", u"Sheet1!Print_Area"},
                           {{u"Worksheets", 2}, {u"Named Ranges", 1}})},
        EditCase{
            "RenameUtf16",
            inUtf16(excelLike({u"Sheet1", u"Данные", u"My Data", u"Sheet1!Print_Area", kParts[4]})),
            renamed("Данные", "Итоги"),
            inUtf16(excelLike({u"Sheet1", u"Итоги", u"My Data", u"Sheet1!Print_Area", kParts[4]}))},
        EditCase{"RenameUnknown", excelLike(), renamed("Nope", "X"), std::nullopt},
        EditCase{"RenameANameWithoutItsSheet",
                 excelLike({u"Sheet1", u"Données", u"Sheet1!Print_Area", kParts[4]},
                           {{u"Worksheets", 2}, {u"Named Ranges", 2}}),
                 renamed("My Data", "Q3"),
                 excelLike({u"Sheet1", u"Données", u"Sheet1!Print_Area", u"Q3!Print_Titles"},
                           {{u"Worksheets", 2}, {u"Named Ranges", 2}})},
        EditCase{"RenameCountsDisagree",
                 excelLike(kParts, {{u"Worksheets", 4}, {u"Named Ranges", 2}}),
                 renamed("Sheet1", "X"), std::nullopt},
        EditCase{
            "InsertBehind", excelLike(), inserted("New", "Données", "My Data"),
            excelLike({u"Sheet1", u"Données", u"New", u"My Data", u"Sheet1!Print_Area", kParts[4]},
                      {{u"Worksheets", 4}, {u"Named Ranges", 2}})},
        EditCase{
            "InsertFirst", excelLike(), inserted("New", "", "Sheet1"),
            excelLike({u"New", u"Sheet1", u"Données", u"My Data", u"Sheet1!Print_Area", kParts[4]},
                      {{u"Worksheets", 4}, {u"Named Ranges", 2}})},
        EditCase{"InsertWithoutNeighbours", excelLike(), inserted("New", "Nope", "Gone"),
                 std::nullopt},
        EditCase{"Remove", excelLike(), removed("Sheet1"),
                 excelLike({u"Données", u"My Data", kParts[4]},
                           {{u"Worksheets", 2}, {u"Named Ranges", 1}})},
        EditCase{"RemoveEmptiesAHeading", excelLike(), then(removed("Sheet1"), removed("My Data")),
                 excelLike({u"Données"}, {{u"Worksheets", 1}})},
        EditCase{"RemoveUnknown", excelLike(), removed("Nope"), std::nullopt},
        EditCase{"MoveToFront", withChart({u"Sheet1", u"Données", u"My Data"}),
                 moved("My Data", {}), withChart({u"My Data", u"Sheet1", u"Données"})},
        EditCase{"MoveToBack", withChart({u"Sheet1", u"Données", u"My Data"}),
                 moved("Sheet1", {"Chart1", "Données", "My Data"}),
                 withChart({u"Données", u"My Data", u"Sheet1"})},
        EditCase{"MoveBehindAChart", withChart({u"Sheet1", u"Données", u"My Data"}),
                 moved("Données", {"Chart1"}), withChart({u"Données", u"Sheet1", u"My Data"})},
        EditCase{"MoveOnePlace", withChart({u"Sheet1", u"Données", u"My Data"}),
                 moved("Sheet1", {"Données"}), withChart({u"Données", u"Sheet1", u"My Data"})},
        EditCase{"MoveAlreadyInPlace", withChart({u"Sheet1", u"Données", u"My Data"}),
                 moved("Sheet1", {"Chart1"}), std::nullopt},
        EditCase{"MoveUnknown", excelLike(), moved("Nope", {}), std::nullopt}),
    [](const auto& row) { return std::string(row.param.name); });

class DamagedDocSummaryTest : public ::testing::TestWithParam<std::size_t> {};

// Cut short anywhere, the stream is left alone.
TEST_P(DamagedDocSummaryTest, IsLeftAlone) {
    Bytes stream = build(excelLike());
    stream.resize(std::min(stream.size(), GetParam()));
    EXPECT_FALSE(renameSheetInDocSummary(stream, "Sheet1", "X"));
    EXPECT_FALSE(removeSheetFromDocSummary(stream, "Sheet1"));
    EXPECT_FALSE(moveSheetInDocSummary(stream, "Sheet1", std::vector<std::string>{"My Data"}));
}

INSTANTIATE_TEST_SUITE_P(Truncated, DamagedDocSummaryTest,
                         ::testing::Values(0, 1, 27, 47, 60, 80, 120, 150, 200));

}  // namespace
}  // namespace xls::model

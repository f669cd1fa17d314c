// Sheet titles in the document summary follow a rename, a delete or a move; every
// other property and the user-defined property set stay byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/doc_summary.h"
#include "support/workbook_builder.h"

namespace xls::model {
namespace {

using Bytes = std::vector<std::uint8_t>;

const auto u16 = tarnvale::testing::appendU16;
const auto u32 = tarnvale::testing::appendU32;
void pad(Bytes& b) {
    while (b.size() % 4) b.push_back(0);
}

// An Lpstr (Latin-1 test text is also its Windows-1252 form) or, for code
// page 1200, its UTF-16 bytes; counted in bytes with the terminating zero.
void lpstr(Bytes& b, const std::u16string& s, std::uint16_t codePage) {
    Bytes value;
    for (char16_t c : s) {
        value.push_back(static_cast<std::uint8_t>(c));
        if (codePage == 1200) value.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    value.push_back(0);
    if (codePage == 1200) value.push_back(0);
    u32(b, static_cast<std::uint32_t>(value.size()));
    b.insert(b.end(), value.begin(), value.end());
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
    Bytes props;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> table;
    const std::uint32_t tableEnd = 8 + 4 * 8;
    auto add = [&](std::uint32_t id) {
        table.emplace_back(id, static_cast<std::uint32_t>(tableEnd + props.size()));
    };
    add(1);
    u16(props, 2), u16(props, 0), u16(props, s.codePage), u16(props, 0);
    add(0x17);  // application version, VT_I4
    u16(props, 3), u16(props, 0), u32(props, 0x000B0000);
    add(0x0C);
    u16(props, 0x100C), u16(props, 0),
        u32(props, static_cast<std::uint32_t>(s.headings.size() * 2));
    for (const auto& [text, count] : s.headings) {
        u16(props, 0x1E), u16(props, 0);
        lpstr(props, text, s.codePage);
        u16(props, 3), u16(props, 0), u32(props, static_cast<std::uint32_t>(count));
    }
    pad(props);
    add(0x0D);
    u16(props, 0x101E), u16(props, 0), u32(props, static_cast<std::uint32_t>(s.parts.size()));
    for (const auto& p : s.parts) lpstr(props, p, s.codePage);
    pad(props);

    Bytes section;
    u32(section, static_cast<std::uint32_t>(tableEnd + props.size()));
    u32(section, static_cast<std::uint32_t>(table.size()));
    for (auto [id, off] : table) u32(section, id), u32(section, off);
    section.insert(section.end(), props.begin(), props.end());

    Bytes out;
    u16(out, 0xFFFE), u16(out, 0), u32(out, 0x00020006);
    out.insert(out.end(), 16, 0);
    u32(out, 2);
    const std::uint32_t first = 28 + 2 * 20;
    out.insert(out.end(), 16, 0x02), u32(out, first);
    out.insert(out.end(), 16, 0x05), u32(out, first + static_cast<std::uint32_t>(section.size()));
    out.insert(out.end(), section.begin(), section.end());
    out.insert(out.end(), s.userSection.begin(), s.userSection.end());
    return out;
}

Sample excelLike() {
    Sample s;
    s.headings = {{u"Worksheets", 3}, {u"Named Ranges", 2}};
    s.parts = {u"Sheet1", u"Données", u"My Data", u"Sheet1!Print_Area", u"'My Data'!Print_Titles"};
    return s;
}

Bytes userSectionOf(const Bytes& stream) {
    const std::uint32_t at = stream[64] | stream[65] << 8 | stream[66] << 16 | stream[67] << 24;
    return Bytes(stream.begin() + at, stream.end());
}

// The titles' parts as read back; a test failure when they cannot be read.
std::vector<std::string> partsOf(const Bytes& stream) {
    const auto titles = readDocSummaryTitles(stream);
    if (!titles) {
        ADD_FAILURE() << "the titles do not read back";
        return {};
    }
    return titles->parts;
}

TEST(DocSummary, ReadsTitlesInTheCodePage) {
    const auto titles = readDocSummaryTitles(build(excelLike()));
    ASSERT_TRUE(titles);
    EXPECT_EQ(titles->codePage, 1252);
    ASSERT_EQ(titles->headings.size(), 2u);
    EXPECT_EQ(titles->headings[0].text, "Worksheets");
    EXPECT_EQ(titles->headings[0].count, 3);
    EXPECT_EQ(titles->parts.at(1), "Données");
}

TEST(DocSummary, RenameChangesTheTitleAndItsNamesOnly) {
    const Bytes before = build(excelLike());
    const auto after = renameSheetInDocSummary(before, "My Data", "Q3 Résumé");
    ASSERT_TRUE(after);
    const auto titles = readDocSummaryTitles(*after);
    ASSERT_TRUE(titles);
    EXPECT_EQ(titles->parts,
              (std::vector<std::string>{"Sheet1", "Données", "Q3 Résumé", "Sheet1!Print_Area",
                                        "'Q3 Résumé'!Print_Titles"}));
    EXPECT_EQ(titles->headings.at(0).count, 3);
    EXPECT_EQ(userSectionOf(*after), userSectionOf(before));

    Sample expected = excelLike();
    expected.parts[2] = u"Q3 Résumé";
    expected.parts[4] = u"'Q3 Résumé'!Print_Titles";
    EXPECT_EQ(*after, build(expected)) << "same layout as the application writes";
}

// A name's title is quoted unless the sheet's name is plain: letters, digits,
// '_' and '.', not starting with a digit; quotes inside are doubled.
TEST(DocSummary, NamesTitlesQuoteTheSheetOnlyWhenTheyMust) {
    for (const auto& [sheet, title] :
         {std::pair{"Totals", "Totals!Print_Titles"}, std::pair{"Q3.b_2", "Q3.b_2!Print_Titles"},
          std::pair{"0Q3", "'0Q3'!Print_Titles"}, std::pair{"9", "'9'!Print_Titles"},
          std::pair{"it's", "'it''s'!Print_Titles"}}) {
        const auto after = renameSheetInDocSummary(build(excelLike()), "My Data", sheet);
        ASSERT_TRUE(after) << sheet;
        EXPECT_EQ(partsOf(*after).at(4), title);
    }
}

// A new sheet's title goes behind the sheet before it, or ahead of the one
// after it when it comes first, counted in that heading; with neither found
// the stream is left alone.
TEST(DocSummary, InsertPlacesTheTitleBesideItsNeighbour) {
    const Bytes before = build(excelLike());
    const auto behind = insertSheetInDocSummary(before, "New", "Données", "My Data");
    ASSERT_TRUE(behind);
    Sample expected = excelLike();
    expected.headings[0].second = 4;
    expected.parts.insert(expected.parts.begin() + 2, u"New");
    EXPECT_EQ(*behind, build(expected));
    EXPECT_EQ(userSectionOf(*behind), userSectionOf(before));

    const auto first = insertSheetInDocSummary(before, "New", "", "Sheet1");
    ASSERT_TRUE(first);
    EXPECT_EQ(partsOf(*first).at(0), "New");
    EXPECT_FALSE(insertSheetInDocSummary(before, "New", "Nope", "Gone"));
}

TEST(DocSummary, DeleteRemovesTitleAndLocalNamesAndEmptyHeadings) {
    const Bytes before = build(excelLike());
    const auto after = removeSheetFromDocSummary(before, "Sheet1");
    ASSERT_TRUE(after);
    Sample expected = excelLike();
    expected.headings = {{u"Worksheets", 2}, {u"Named Ranges", 1}};
    expected.parts = {u"Données", u"My Data", u"'My Data'!Print_Titles"};
    EXPECT_EQ(*after, build(expected));

    const auto again = removeSheetFromDocSummary(*after, "My Data");
    ASSERT_TRUE(again);
    const auto titles = readDocSummaryTitles(*again);
    ASSERT_TRUE(titles);
    ASSERT_EQ(titles->headings.size(), 1u) << "\"Named Ranges\" had nothing left";
    EXPECT_EQ(titles->parts, std::vector<std::string>{"Données"});
    EXPECT_EQ(userSectionOf(*again), userSectionOf(before));
}

// Windows-1252 cannot spell "Ωmega": its title reads "?mega", and must still
// be found by the sheet's name when the sheet is renamed again or deleted.
TEST(DocSummary, ATitleTheCodePageCouldNotSpellIsStillFound) {
    const auto once = renameSheetInDocSummary(build(excelLike()), "My Data", "Ωmega");
    ASSERT_TRUE(once);
    EXPECT_EQ(partsOf(*once).at(2), "?mega");
    const auto twice = renameSheetInDocSummary(*once, "Ωmega", "Later");
    ASSERT_TRUE(twice);
    EXPECT_EQ(partsOf(*twice),
              (std::vector<std::string>{"Sheet1", "Données", "Later", "Sheet1!Print_Area",
                                        "Later!Print_Titles"}));
    const auto gone = removeSheetFromDocSummary(*once, "Ωmega");
    ASSERT_TRUE(gone);
    EXPECT_EQ(partsOf(*gone), (std::vector<std::string>{"Sheet1", "Données", "Sheet1!Print_Area"}));
}

TEST(DocSummary, UnicodeCodePageWritesUtf16) {
    Sample s = excelLike();
    s.codePage = 1200;
    s.parts[1] = u"Данные";
    const auto after = renameSheetInDocSummary(build(s), "Данные", "Итоги");
    ASSERT_TRUE(after);
    Sample expected = s;
    expected.parts[1] = u"Итоги";
    EXPECT_EQ(*after, build(expected));
}

TEST(DocSummary, UnknownSheetOrNoTitlesChangesNothing) {
    EXPECT_FALSE(renameSheetInDocSummary(build(excelLike()), "Nope", "X"));
    EXPECT_FALSE(removeSheetFromDocSummary(build(excelLike()), "Nope"));
    Sample noTitles;
    const auto none = readDocSummaryTitles(build(noTitles));
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->parts.empty());
}

// A sheet moved in the tab order: its title moves within its own heading's
// group, behind the nearest sheet ahead of it that has a title there; the
// chart's group and the names' titles stay as they were.
TEST(DocSummary, MoveFollowsTheTabOrderWithinTheHeading) {
    Sample s = excelLike();
    s.headings = {{u"Worksheets", 3}, {u"Charts", 1}, {u"Named Ranges", 2}};
    s.parts = {u"Sheet1", u"Données",           u"My Data",
               u"Chart1", u"Sheet1!Print_Area", u"'My Data'!Print_Titles"};
    const Bytes before = build(s);
    const struct {
        const char* sheet;
        std::vector<std::string> ahead;  // nearest last
        std::vector<std::string> worksheets;
    } cases[] = {
        {"My Data", {}, {"My Data", "Sheet1", "Données"}},
        {"Sheet1", {"Chart1", "Données", "My Data"}, {"Données", "My Data", "Sheet1"}},
        {"Données", {"Chart1"}, {"Données", "Sheet1", "My Data"}},
        {"Sheet1", {"Données"}, {"Données", "Sheet1", "My Data"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sheet);
        const auto after = moveSheetInDocSummary(before, c.sheet, c.ahead);
        ASSERT_TRUE(after);
        auto expected = c.worksheets;
        for (const char* rest : {"Chart1", "Sheet1!Print_Area", "'My Data'!Print_Titles"})
            expected.emplace_back(rest);
        EXPECT_EQ(partsOf(*after), expected);
        EXPECT_EQ(userSectionOf(*after), userSectionOf(before));
    }
    EXPECT_FALSE(moveSheetInDocSummary(before, "Sheet1", std::vector<std::string>{"Chart1"}))
        << "already first among the worksheets";
    EXPECT_FALSE(moveSheetInDocSummary(before, "Nope", std::vector<std::string>{}));
}

class DamagedDocSummaryTest : public ::testing::TestWithParam<std::size_t> {};

// Cut short anywhere, or with counts that disagree, the stream is left alone.
TEST_P(DamagedDocSummaryTest, IsLeftAlone) {
    Bytes stream = build(excelLike());
    stream.resize(std::min(stream.size(), GetParam()));
    EXPECT_FALSE(renameSheetInDocSummary(stream, "Sheet1", "X"));
    EXPECT_FALSE(removeSheetFromDocSummary(stream, "Sheet1"));
    EXPECT_FALSE(moveSheetInDocSummary(stream, "Sheet1", std::vector<std::string>{"My Data"}));
}

INSTANTIATE_TEST_SUITE_P(Truncated, DamagedDocSummaryTest,
                         ::testing::Values(0, 1, 27, 47, 60, 80, 120, 150, 200));

TEST(DocSummary, CountsThatDisagreeWithTheTitlesAreLeftAlone) {
    Sample s = excelLike();
    s.headings[0].second = 4;
    EXPECT_FALSE(renameSheetInDocSummary(build(s), "Sheet1", "X"));
}

}  // namespace
}  // namespace xls::model

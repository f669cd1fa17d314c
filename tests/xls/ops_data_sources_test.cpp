// Renaming a sheet renames it in the PivotTable sources that name it as text,
// and nowhere else: other sheets, other workbooks and names of the whole
// workbook stay, and a record that cannot be read is left as stored.
#include <gtest/gtest.h>

#include <tuple>

#include "model/workbook_stream.h"
#include "ops/data_sources.h"
#include "support/corpus_manifest.h"
#include "support/workbook_stream_of.h"
#include "xls/workbook.h"

namespace xls::ops {
namespace {

using biff::RecordType;
using Bytes = std::vector<std::uint8_t>;

const Bytes kRef = {0, 0, 0xFF, 0xFF, 0, 4};  // rows 1-65536, columns A-E

// DConRef: ref, cchFile, then the DConFile (fHighByte, characters) and the unused bytes.
Bytes dconRef(const std::u16string& file, bool high = false) {
    Bytes b = kRef;
    b.push_back(static_cast<std::uint8_t>(file.size()));
    b.push_back(0);
    b.push_back(high ? 1 : 0);
    for (char16_t c : file) {
        b.push_back(static_cast<std::uint8_t>(c & 0xFF));
        if (high) b.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    b.insert(b.end(), high ? 2 : 1, 0);
    return b;
}

// A DConRef naming a sheet of this workbook (the DConFile's leading 0x02).
Bytes sheetRef(const std::u16string& sheet, bool high = false) {
    return dconRef(u'\x02' + sheet, high);
}

// DConName: stName "Table1", then cchFile and the DConFile when a sheet is named.
model::Record dconName(const std::u16string& file) {
    Bytes b = {6, 0, 0, 'T', 'a', 'b', 'l', 'e', '1'};
    const Bytes rest = dconRef(file);
    b.insert(b.end(), rest.begin() + 6, rest.end());
    return {RecordType::DConName, b};
}

model::Record ref(Bytes payload) {
    return {RecordType::DConRef, std::move(payload)};
}

// Renaming "data" to "Sales": before, and after (the same when nothing may change).
TEST(DataSources, RenamesTheSheetWhereverASourceNamesIt) {
    // ref, then one byte of cchFile: the record ends inside the count.
    Bytes cut = kRef;
    cut.push_back(5);
    const model::Record shortRef = ref(cut);
    const std::vector<std::tuple<const char*, model::Record, model::Record>> cases = {
        {"range source", ref(sheetRef(u"Data")), ref(sheetRef(u"Sales"))},
        {"other letter case", ref(sheetRef(u"DATA")), ref(sheetRef(u"Sales"))},
        {"stored as UTF-16", ref(sheetRef(u"Data", true)), ref(sheetRef(u"Sales"))},
        {"sheet-scoped name", dconName(u"\u0002Data"), dconName(u"\u0002Sales")},
        {"another sheet", ref(sheetRef(u"Database")), ref(sheetRef(u"Database"))},
        {"another workbook", ref(dconRef(u"\u0001C:Data")), ref(dconRef(u"\u0001C:Data"))},
        {"workbook-wide name", dconName(u""), dconName(u"")},
        {"cut short", shortRef, shortRef},
    };
    std::size_t unread = 0;
    for (const auto& [what, before, after] : cases) {
        model::Substream globals;
        globals.records = {before};
        renameSheetInDataSources(globals, "data", "Sales", unread);
        EXPECT_EQ(globals.records.front(), after) << what;
    }
    EXPECT_EQ(unread, 1u);  // the source cut short, counted as left as stored
}

TEST(DataSources, ANameOutsideLatin1GoesOutAsUtf16) {
    model::Substream globals;
    globals.records = {ref(sheetRef(u"Data"))};
    std::size_t unread = 0;
    EXPECT_EQ(renameSheetInDataSources(globals, "Data", "Ωmega", unread), 1u);
    EXPECT_EQ(globals.records.front().payload, sheetRef(u"Ωmega", true));
}

TEST(DataSources, ASourceSplitOverContinueRecordsStays) {
    model::Substream globals;
    globals.records = {ref(sheetRef(u"Data")), {RecordType::Continue, Bytes(3, 0)}};
    const auto before = globals.records;
    std::size_t unread = 0;
    EXPECT_EQ(renameSheetInDataSources(globals, "Data", "Sales", unread), 0u);
    EXPECT_EQ(globals.records, before);
}

TEST(DataSources, RenamingAPivotTablesSourceSheetInARealWorkbook) {
    auto book = Workbook::open(tarnvale::testing::corpusPath("sheetjs__root-pivot_table_test.xls"));
    const auto tab = book.findSheet("Data");
    ASSERT_TRUE(tab);
    book.renameSheet(*tab, "Source data");
    const auto stream =
        model::parseWorkbookStream(tarnvale::testing::workbookStreamOf(book.serialize()));
    std::size_t sources = 0;
    for (const auto& r : stream.globals.records) {
        if (r.type != RecordType::DConRef) continue;
        ++sources;
        const Bytes expected = sheetRef(u"Source data");
        EXPECT_TRUE(std::equal(expected.begin() + 6, expected.end(), r.payload.begin() + 6,
                               r.payload.end()));
    }
    EXPECT_EQ(sources, 1u);
}

}  // namespace
}  // namespace xls::ops

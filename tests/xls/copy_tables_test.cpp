// The small rules a copy follows, as tables: the name a copy receives, the
// path by which it links to its source, how putting a sheet in moves the tab
// indices of XTIs and local names, and the values cached for formulas that
// read the source's other sheets.
#include <gtest/gtest.h>

#include "ops/copy/copy_name.h"
#include "ops/copy/copy_names.h"
#include "ops/copy/extern_table.h"
#include "ops/copy/external_cache.h"
#include "ops/copy/external_workbook.h"
#include "ops/copy/insert_sheet.h"
#include "support/copy_record_bytes.h"
#include "support/copy_tab_indices.h"
#include "support/ops_test_workbook.h"
#include "xls/error.h"

namespace xls::ops::copy {
namespace {

using biff::RecordType;
using tarnvale::testing::operator+;
using tarnvale::testing::rec;
using tarnvale::testing::u16s;
using Bytes = std::vector<std::uint8_t>;

TEST(CopyName, FollowsTheApplication) {
    const std::vector<std::string> taken{"Data",   "Data (2)", "Data (2x",
                                         "Sheet1", "ÄRGER",    std::string(31, 'x')};
    const struct {
        const char* name;
        std::string expected;
    } cases[] = {
        {"Fresh", "Fresh"},
        {"data", "data (3)"},      // letter case aside, and (2) is taken too
        {"Data (2)", "Data (3)"},  // an earlier copy's number is not doubled
        {"Data (2x", "Data (2x (2)"},
        {"Sheet1", "Sheet1 (2)"},
        {"ärger", "ärger (2)"},  // letter case aside beyond ASCII
        {"x", "x"},
    };
    for (const auto& c : cases) EXPECT_EQ(copyNameFor(c.name, taken), c.expected) << c.name;
    EXPECT_EQ(copyNameFor(std::string(31, 'x'), taken), std::string(27, 'x') + " (2)");
}

TEST(CopyLink, EncodesTheSourcePathFromTheDestinationsFolder) {
    const struct {
        const char* source;
        const char* destination;
        std::u16string expected;
    } cases[] = {
        {"/data/a.xls", "/data/b.xls",
         u"\x01"
         u"a.xls"},
        {"/data/in/a.xls", "/data/b.xls",
         u"\x01"
         u"in\x03"
         u"a.xls"},
        {"/data/a.xls", "/data/out/b.xls",
         u"\x01\x04"
         u"a.xls"},
        {"/x/y/a.xls", "/data/out/b.xls",
         u"\x01\x04\x04"
         u"x\x03y\x03"
         u"a.xls"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(virtualPath(c.source, c.destination), c.expected) << c.source;
}

// B copied into a workbook of the same names as a fourth sheet: its local
// Print_Area comes local to the copy, and the name G its formula uses comes
// local too, as the destination has a workbook-wide G of its own.
TEST(CopyNames, BringsLocalAndUsedNamesKeepingTheDestinationsMeaning) {
    auto destination = testing::threeSheets().globals;
    NameCopyRequest request;
    request.sourceTab = 1;
    request.newTab = 3;
    request.used = {1};
    const NameMap map = copyNames(testing::threeSheets().globals, destination, request,
                                  [](std::uint16_t ixti) { return ixti; });
    EXPECT_EQ(map, (NameMap{0, 6, 5, 0, 0}));
    EXPECT_EQ(tarnvale::testing::nameTabs(destination),
              (std::vector<std::uint16_t>{0, 2, 3, 0, 4, 4}));
}

// The workbook's own SupBook is its first self-reference, wherever it stands;
// a table linking other workbooks only has none.
TEST(ExternTable, FindsTheSelfReferenceSupBook) {
    const model::Record self{RecordType::SupBook, u16s({3, 0x0401})};
    const model::Record other{RecordType::SupBook, u16s({1, 1}) + Bytes{0, 'a'}};
    const std::pair<std::vector<model::Record>, std::optional<std::uint16_t>> cases[] = {
        {{other, self, self}, 1}, {{other}, std::nullopt}};
    for (const auto& [table, expected] : cases) {
        model::Substream globals;
        globals.records = table;
        EXPECT_EQ(ExternTable(globals).selfSupBook(), expected);
    }
}

TEST(InsertSheet, MovesLaterTabsAndTakesTheNewSheetIntoRangesAcrossIt) {
    // XTIs: A, B, A:C, B:C, C, external; names local to B and C.
    model::WorkbookStream stream = testing::threeSheets();
    shiftTabsForInsert(stream.globals, 1);  // a new sheet between A and B
    // A:C takes the new sheet in; the external workbook's XTI stays.
    EXPECT_EQ(tarnvale::testing::xtiTabs(stream.globals), "0:0 2:2 0:3 2:3 3:3 0:0");
    EXPECT_EQ(tarnvale::testing::nameTabs(stream.globals),
              (std::vector<std::uint16_t>{0, 3, 4, 0}));
    // Between B and C, B's name stays where it is.
    model::WorkbookStream later = testing::threeSheets();
    shiftTabsForInsert(later.globals, 2);
    EXPECT_EQ(tarnvale::testing::nameTabs(later.globals), (std::vector<std::uint16_t>{0, 2, 4, 0}));
    // A copy of the active sheet B goes in neither selected nor shown.
    insertSheet(stream, 1, testing::boundSheet("B2").payload, stream.substreams[1]);
    const auto& window2 = stream.substreams[stream.sheetSubstream[1]].records[1];
    EXPECT_EQ(testing::get16(window2.payload, 0) & 0x0600, 0);
}

// Row 0, a column, the default XF.
Bytes cell(std::uint16_t col) {
    return u16s({0, col, 15});
}

// A formula of no tokens whose cached result is the eight bytes given.
model::Record formulaResult(std::uint16_t col, Bytes result) {
    return rec(RecordType::Formula, cell(col) + result + u16s({0, 0, 0, 0}));
}

TEST(ExternalCache, CachesWhatTheFormulasReadOnTheSourcesOtherSheets) {
    auto source = testing::threeSheets();
    // A's formula reads B!A1 (row 0, column 0).
    const auto areas = externalAreas(source.globals, CopiedSheet(source.substreams[0]), 0, {});
    ASSERT_EQ(areas.size(), 1u);
    ASSERT_EQ(areas.at(1).size(), 1u);
    const CellArea& a1 = areas.at(1)[0];
    EXPECT_EQ(a1.rowFirst | a1.rowLast | a1.colFirst | a1.colLast, 0);

    // B's first row: 1.5, "hi", TRUE, then formulas giving "s", TRUE and #DIV/0!.
    auto& b = source.substreams[1].records;
    b.insert(b.begin() + 1, {rec(RecordType::Number, cell(0) + Bytes{0, 0, 0, 0, 0, 0, 0xF8, 0x3F}),
                             rec(RecordType::Label, cell(1) + Bytes{2, 0, 0, 'h', 'i'}),
                             rec(RecordType::BoolErr, cell(2) + Bytes{1, 0}),
                             formulaResult(3, {0, 0, 0, 0, 0, 0, 0xFF, 0xFF}),
                             rec(RecordType::String, {1, 0, 0, 's'}),
                             formulaResult(4, {1, 0, 1, 0, 0, 0, 0xFF, 0xFF}),
                             formulaResult(5, {2, 0, 0x07, 0, 0, 0, 0xFF, 0xFF})});
    const auto records = externalCacheRecords(source, {}, {{1, {{0, 0, 0, 5}}}});
    const Bytes zeros(7, 0);
    EXPECT_EQ(records,
              (std::vector<model::Record>{
                  rec(RecordType::XCT, u16s({1, 1})),
                  rec(RecordType::CRN, Bytes{5, 0, 0, 0} + Bytes{1, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F} +
                                           Bytes{2, 2, 0, 0, 'h', 'i'} + Bytes{4, 1} + zeros +
                                           Bytes{2, 1, 0, 0, 's'} + Bytes{4, 1} + zeros +
                                           Bytes{0x10, 0x07} + zeros)}));
}

}  // namespace
}  // namespace xls::ops::copy

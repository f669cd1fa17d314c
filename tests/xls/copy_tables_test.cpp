// The small rules a copy follows, as tables: the name a copy receives, the
// path by which it links to its source, and how putting a sheet in moves the
// tab indices of XTIs and local names.
#include <gtest/gtest.h>

#include "ops/copy/copy_name.h"
#include "ops/copy/copy_names.h"
#include "ops/copy/extern_table.h"
#include "ops/copy/external_workbook.h"
#include "ops/copy/insert_sheet.h"
#include "support/copy_record_bytes.h"
#include "support/copy_tab_indices.h"
#include "support/ops_test_workbook.h"
#include "xls/error.h"

namespace xls::ops::copy {
namespace {

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
    using tarnvale::testing::u16s;
    using tarnvale::testing::operator+;
    const model::Record self{biff::RecordType::SupBook, u16s({3, 0x0401})};
    const model::Record other{biff::RecordType::SupBook, u16s({1, 1}) + testing::Bytes{0, 'a'}};
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
    // A copy of the active sheet B goes in neither selected nor shown.
    insertSheet(stream, 1, testing::boundSheet("B2").payload, stream.substreams[1]);
    const auto& window2 = stream.substreams[stream.sheetSubstream[1]].records[1];
    EXPECT_EQ(testing::get16(window2.payload, 0) & 0x0600, 0);
}

}  // namespace
}  // namespace xls::ops::copy

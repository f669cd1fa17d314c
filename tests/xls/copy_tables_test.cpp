// The small rules a copy follows, as tables: the name a copy receives, the
// path by which it links to its source, and how putting a sheet in moves the
// tab indices of XTIs and local names.
#include <gtest/gtest.h>

#include "ops/copy/copy_name.h"
#include "ops/copy/external_workbook.h"
#include "ops/copy/insert_sheet.h"
#include "support/copy_tab_indices.h"
#include "support/ops_test_workbook.h"
#include "xls/error.h"

namespace xls::ops::copy {
namespace {

TEST(CopyName, FollowsTheApplication) {
    const std::vector<std::string> taken{"Data", "Data (2)", "Sheet1", "ÄRGER",
                                         std::string(31, 'x')};
    const struct {
        const char* name;
        std::string expected;
    } cases[] = {
        {"Fresh", "Fresh"},
        {"data", "data (3)"},      // letter case aside, and (2) is taken too
        {"Data (2)", "Data (3)"},  // an earlier copy's number is not doubled
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

TEST(InsertSheet, MovesLaterTabsAndTakesTheNewSheetIntoRangesAcrossIt) {
    // XTIs: A, B, A:C, B:C, C, external; names local to B and C.
    model::WorkbookStream stream = testing::threeSheets();
    shiftTabsForInsert(stream.globals, 1);  // a new sheet between A and B
    // A:C takes the new sheet in; the external workbook's XTI stays.
    EXPECT_EQ(tarnvale::testing::xtiTabs(stream.globals), "0:0 2:2 0:3 2:3 3:3 0:0");
    EXPECT_EQ(tarnvale::testing::nameTabs(stream.globals),
              (std::vector<std::uint16_t>{0, 3, 4, 0}));
}

}  // namespace
}  // namespace xls::ops::copy

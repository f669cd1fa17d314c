// The command line drives the automation boundary in the same order as the
// window's handlers, and quits its application on every path out.
#include "cli/sheet_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "excel/recording_application.h"
#include "tests/support/automation_calls.h"

namespace {

using ::testing::ElementsAre;

const std::string kA = "/books/a.xls", kB = "/books/b.xls";

class SheetCommandsTest : public ::testing::Test {
  protected:
    SheetCommandsTest() {
        factory.addWorkbook(kA, {"Alpha", {"Chart1", excel::SheetKind::Chart}, "Beta"});
    }
    excel::RecordingApplicationFactory factory;
};

TEST_F(SheetCommandsTest, ListRenameAndDeleteThroughTheBoundary) {
    const auto sheets = cli::listWorksheets(factory, kA);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].name + sheets[1].name, "AlphaBeta");
    EXPECT_EQ(factory.log(), tarnvale::testing::listingCalls(kA, 2));
    cli::renameSheet(factory, kA, "beta", "Gamma");
    cli::deleteSheet(factory, kA, "Chart1");
    EXPECT_THAT(factory.sheetNames(kA), ElementsAre("Alpha", "Gamma"));
    EXPECT_EQ(std::count(factory.log().begin(), factory.log().end(), "Workbook.Save 1033"), 2);
}

TEST_F(SheetCommandsTest, CopyAndMoveMakeTheWindowsCallsAndReturnTheNameReceived) {
    factory.addWorkbook(kB, {"One", "Alpha"});
    EXPECT_EQ(cli::transferSheet(factory, {kA, "alpha", kB, "One", {}}, false), "Alpha (2)");
    factory.clearLog();
    EXPECT_EQ(cli::transferSheet(factory, {kA, "Beta", kB, "alpha", "Gamma"}, true), "Gamma");
    EXPECT_THAT(
        factory.log(),
        ElementsAre("CreateObject(\"Excel.Application\")", "Workbooks.Open(\"/books/a.xls\")",
                    "Workbooks.count", "Workbooks(1)", "Workbooks.Open(\"/books/b.xls\")",
                    "Workbook.Sheets", "Sheets(\"Beta\")", "Sheet.name = \"Gamma\"",
                    "Workbook.Sheets", "Sheets(\"alpha\")", "Workbook.Sheets", "Sheets(\"Gamma\")",
                    "Sheet.Copy after:=Sheets(\"Alpha\")", "Sheet.name", "Workbook.Sheets",
                    "Sheets(\"Gamma\")", "Sheet.name = \"Beta\"", "DisplayAlerts = False",
                    "Workbook.Sheets", "Sheets(\"Beta\")", "Sheet.Delete", "Workbooks.SaveTogether",
                    "Workbook(\"/books/b.xls\").Save 1033", "Workbook(\"/books/a.xls\").Save 1033",
                    "DisplayAlerts = False", "Quit", "Release"));
    EXPECT_THAT(factory.sheetNames(kB), ElementsAre("One", "Alpha (2)", "Alpha", "Gamma"));
    EXPECT_THAT(factory.sheetNames(kA), ElementsAre("Alpha", "Chart1"));
}

TEST(SheetCommands, MoveWithinOneWorkbookMovesTheSheetItselfKeepingItsName) {
    const std::tuple<const char*, const char*, std::optional<std::string>, std::vector<std::string>>
        cases[] = {
            {"Alpha", "Beta", {}, {"Chart1", "Beta", "Alpha"}},
            {"Alpha", "Alpha", {}, {"Alpha", "Chart1", "Beta"}},
            {"Beta", "Alpha", "Gamma", {"Alpha", "Gamma", "Chart1"}},
        };
    for (const auto& [sheet, anchor, newName, after] : cases) {
        excel::RecordingApplicationFactory factory;
        factory.addWorkbook(kA, {"Alpha", {"Chart1", excel::SheetKind::Chart}, "Beta"});
        EXPECT_EQ(cli::transferSheet(factory, {kA, sheet, kA, anchor, newName}, true),
                  newName.value_or(sheet));
        EXPECT_EQ(factory.sheetNames(kA), after) << sheet << " behind " << anchor;
    }
}

TEST_F(SheetCommandsTest, AFailedCallStillQuitsTheApplicationAndSavesNothing) {
    factory.failOn("Sheets(\"Missing\")", "no sheet named Missing");
    EXPECT_THROW(cli::deleteSheet(factory, kA, "Missing"), excel::CallError);
    EXPECT_THAT(std::vector(factory.log().end() - 3, factory.log().end()),
                ElementsAre("Sheets(\"Missing\")", "Quit", "Release"));
    factory.clearLog();
    EXPECT_THROW(cli::listWorksheets(factory, "/books/missing.xls"), excel::CallError);
    EXPECT_EQ(factory.log().back(), "Release");
}

}  // namespace

// The command line drives the automation boundary in the same order as the
// window's handlers, and quits its application on every path out.
#include "cli/sheet_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "excel/recording_application.h"
#include "tests/support/automation_calls.h"

namespace {

using ::testing::ElementsAre;

class SheetCommandsTest : public ::testing::Test {
  protected:
    SheetCommandsTest() {
        factory.addWorkbook("/books/a.xls", {{"Alpha", excel::SheetKind::Worksheet},
                                             {"Chart1", excel::SheetKind::Chart},
                                             {"Beta", excel::SheetKind::Worksheet}});
    }
    excel::RecordingApplicationFactory factory;
};

TEST_F(SheetCommandsTest, ListsWorksheetsInTabOrderWithTheCallsOfAListing) {
    auto sheets = cli::listWorksheets(factory, "/books/a.xls");
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].name, "Alpha");
    EXPECT_EQ(sheets[1].name, "Beta");
    EXPECT_EQ(factory.log(), tarnvale::testing::listingCalls("/books/a.xls", 2));
    EXPECT_EQ(factory.liveApplications(), 0);
}

TEST_F(SheetCommandsTest, RenameAndDeleteSaveThroughTheBoundary) {
    cli::renameSheet(factory, "/books/a.xls", "beta", "Gamma");
    EXPECT_THAT(factory.sheetNames("/books/a.xls"), ElementsAre("Alpha", "Chart1", "Gamma"));
    cli::deleteSheet(factory, "/books/a.xls", "Chart1");
    EXPECT_THAT(factory.sheetNames("/books/a.xls"), ElementsAre("Alpha", "Gamma"));
    EXPECT_EQ(factory.saveCount("/books/a.xls"), 2);
    EXPECT_EQ(factory.liveApplications(), 0);
}

TEST_F(SheetCommandsTest, CopyAndMoveMakeTheWindowsCallsAndReturnTheNameReceived) {
    factory.addWorkbook("/books/b.xls", std::vector<std::string>{"One", "Alpha"});
    EXPECT_EQ(
        cli::transferSheet(factory, {"/books/a.xls", "alpha", "/books/b.xls", "One", {}}, false),
        "Alpha (2)");
    EXPECT_THAT(factory.sheetNames("/books/b.xls"), ElementsAre("One", "Alpha (2)", "Alpha"));
    factory.clearLog();
    EXPECT_EQ(cli::transferSheet(factory,
                                 {"/books/a.xls", "Beta", "/books/b.xls", "alpha", "Gamma"}, true),
              "Gamma");
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
    EXPECT_THAT(factory.sheetNames("/books/b.xls"),
                ElementsAre("One", "Alpha (2)", "Alpha", "Gamma"));
    EXPECT_THAT(factory.sheetNames("/books/a.xls"), ElementsAre("Alpha", "Chart1"));
}

TEST_F(SheetCommandsTest, MoveWithinOneWorkbookMovesTheSheetItselfKeepingItsName) {
    const std::tuple<const char*, const char*, std::optional<std::string>, std::vector<std::string>>
        cases[] = {
            {"Alpha", "Beta", {}, {"Chart1", "Beta", "Alpha"}},
            {"Alpha", "Alpha", {}, {"Alpha", "Chart1", "Beta"}},
            {"Beta", "Alpha", "Gamma", {"Alpha", "Gamma", "Chart1"}},
        };
    for (const auto& [sheet, anchor, newName, after] : cases) {
        excel::RecordingApplicationFactory fresh;
        fresh.addWorkbook("/books/a.xls", {{"Alpha", excel::SheetKind::Worksheet},
                                           {"Chart1", excel::SheetKind::Chart},
                                           {"Beta", excel::SheetKind::Worksheet}});
        EXPECT_EQ(cli::transferSheet(
                      fresh, {"/books/a.xls", sheet, "/books/a.xls", anchor, newName}, true),
                  newName.value_or(sheet));
        EXPECT_EQ(fresh.sheetNames("/books/a.xls"), after) << sheet << " behind " << anchor;
        EXPECT_EQ(fresh.saveCount("/books/a.xls"), 1);
    }
}

TEST_F(SheetCommandsTest, AFailedCallStillQuitsTheApplicationAndSavesNothing) {
    factory.failOn("Sheets(\"Missing\")", "no sheet named Missing");
    EXPECT_THROW(cli::deleteSheet(factory, "/books/a.xls", "Missing"), excel::CallError);
    EXPECT_EQ(factory.log().back(), "Release");
    EXPECT_EQ(factory.log()[factory.log().size() - 2], "Quit");
    EXPECT_EQ(factory.saveCount("/books/a.xls"), 0);
    EXPECT_EQ(factory.liveApplications(), 0);

    EXPECT_THROW(cli::listWorksheets(factory, "/books/missing.xls"), excel::CallError);
    EXPECT_EQ(factory.liveApplications(), 0);
}

}  // namespace

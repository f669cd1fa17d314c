// The recording double must log what a handler did in the application's terms
// and behave enough like the application that handler tests mean something.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "excel/open_workbook.h"
#include "excel/recording_application.h"

namespace excel {
namespace {

using ::testing::ElementsAre;

class RecordingApplicationTest : public ::testing::Test {
  protected:
    RecordingApplicationTest() {
        factory.addWorkbook("/w/a.xls", {{"Data", SheetKind::Worksheet},
                                         {"Chart1", SheetKind::Chart},
                                         {"Summary", SheetKind::Worksheet}});
        factory.addWorkbook("/w/b.xls", std::vector<std::string>{"One", "Two"});
    }
    RecordingApplicationFactory factory;
};

TEST_F(RecordingApplicationTest, LogsAListingInTheApplicationsTerms) {
    {
        auto application = OpenWorkbook(factory, "/w/a.xls");
        auto workbook = application->workbooks()->item(application->workbooks()->count());
        const int count = workbook->worksheets()->count();
        for (int i = 1; i <= count; ++i) workbook->worksheets()->item(i)->name();
        application->quit();
    }
    EXPECT_THAT(factory.log(),
                ElementsAre("CreateObject(\"Excel.Application\")", "Workbooks.Open(\"/w/a.xls\")",
                            "Workbooks.count", "Workbooks(1)", "Workbook.Worksheets",
                            "Sheets.Count", "Workbook.Worksheets", "Sheets(1)", "Sheet.name",
                            "Workbook.Worksheets", "Sheets(2)", "Sheet.name", "Quit", "Release"));
    EXPECT_EQ(factory.liveApplications(), 0);
}

TEST_F(RecordingApplicationTest, WorksheetsLeaveOutChartsWhileSheetsFindAnyKindWithoutCase) {
    auto application = OpenWorkbook(factory, "/w/a.xls");
    auto workbook = application->workbooks()->item(1);
    EXPECT_EQ(workbook->worksheets()->count(), 2);
    EXPECT_EQ(workbook->worksheets()->item(2)->name(), "Summary");
    EXPECT_EQ(workbook->sheets()->count(), 3);
    EXPECT_EQ(workbook->sheets()->item("chart1")->name(), "Chart1");
    EXPECT_THROW(workbook->worksheets()->item("Chart1"), CallError);
    EXPECT_THROW(workbook->sheets()->item(4), CallError);
}

TEST_F(RecordingApplicationTest, EditsReachTheScriptOnlyWhenSaved) {
    auto application = OpenWorkbook(factory, "/w/a.xls");
    auto workbook = application->workbooks()->item(1);
    application->setDisplayAlerts(false);
    workbook->sheets()->item("Data")->setName("Figures");
    workbook->sheets()->item("Chart1")->deleteSheet();
    EXPECT_EQ(factory.sheetNames("/w/a.xls"),
              (std::vector<std::string>{"Data", "Chart1", "Summary"}));
    workbook->save(1033);
    EXPECT_EQ(factory.sheetNames("/w/a.xls"), (std::vector<std::string>{"Figures", "Summary"}));
    EXPECT_EQ(factory.saveCount("/w/a.xls"), 1);
    EXPECT_THAT(std::vector<std::string>(factory.log().end() - 6, factory.log().end()),
                ElementsAre("Sheets(\"Data\")", "Sheet.name = \"Figures\"", "Workbook.Sheets",
                            "Sheets(\"Chart1\")", "Sheet.Delete", "Workbook.Save 1033"));
}

TEST_F(RecordingApplicationTest, RefusesWhatTheApplicationRefuses) {
    auto application = OpenWorkbook(factory, "/w/b.xls");
    auto workbook = application->workbooks()->item(1);
    auto one = workbook->sheets()->item("One");
    EXPECT_THROW(one->setName("TWO"), CallError);  // taken, whatever the case
    EXPECT_THROW(one->setName(""), CallError);
    EXPECT_THROW(one->setName("a/b"), CallError);
    EXPECT_THROW(one->setName(std::string(32, 'x')), CallError);
    EXPECT_NO_THROW(one->setName("one"));  // its own name in another case
    workbook->sheets()->item("Two")->deleteSheet();
    EXPECT_THROW(workbook->sheets()->item("one")->deleteSheet(), CallError);  // the last one
    EXPECT_THROW(application->workbooks()->open("/w/missing.xls"), CallError);
}

TEST_F(RecordingApplicationTest, CopiesBehindTheAnchorAndNumbersAClash) {
    auto application = OpenWorkbook(factory, "/w/a.xls");
    application->workbooks()->open("/w/b.xls");
    auto source = application->workbooks()->item(1);
    auto destination = application->workbooks()->item(2);
    source->sheets()->item("Data")->copyAfter(*destination->sheets()->item("One"));
    source->sheets()->item("Data")->copyAfter(*destination->sheets()->item("Two"));
    destination->save(1033);
    EXPECT_EQ(factory.sheetNames("/w/b.xls"),
              (std::vector<std::string>{"One", "Data", "Two", "Data (2)"}));
    EXPECT_EQ(factory.log().at(factory.log().size() - 2), "Sheet.Copy after:=Sheets(\"Two\")");
}

TEST_F(RecordingApplicationTest, ScriptedFailuresAreLoggedThenThrownOnce) {
    factory.failOn("Workbook.Save 1033", "The disk is full.");
    factory.failAt(1, "The file is damaged.");
    try {
        OpenWorkbook(factory, "/w/b.xls");
        FAIL() << "open should have failed";
    } catch (const CallError& error) {
        EXPECT_STREQ(error.what(), "The file is damaged.");
    }
    EXPECT_THAT(factory.log(), ElementsAre("CreateObject(\"Excel.Application\")",
                                           "Workbooks.Open(\"/w/b.xls\")", "Release"));
    auto application = OpenWorkbook(factory, "/w/b.xls");  // failAt fired already
    auto workbook = application->workbooks()->item(1);
    EXPECT_THROW(workbook->save(1033), CallError);
    EXPECT_NO_THROW(workbook->save(1033));
    EXPECT_EQ(factory.liveApplications(), 1);
}

TEST_F(RecordingApplicationTest, OpeningAnOpenFileGivesTheSameWorkbook) {
    auto application = OpenWorkbook(factory, "/w/b.xls");
    application->workbooks()->open("/w/b.xls");
    EXPECT_EQ(application->workbooks()->count(), 1);
}

}  // namespace
}  // namespace excel

// The recording double stands in for the application in the handler tests, so
// it must answer as the product's own backend does: each case runs against both
// on the same two workbooks and must give the outcome written down here.
#include <gtest/gtest.h>

#include <functional>

#include "excel/native_application.h"
#include "excel/open_workbook.h"
#include "excel/recording_application.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "support/workbook_builder.h"

namespace excel {
namespace {

using Outcome = std::vector<std::string>;

std::string names(Sheets& sheets) {
    std::string joined;
    for (int i = 1; i <= sheets.count(); ++i) joined += (i > 1 ? "," : "") + sheets.item(i)->name();
    return joined;
}

// a.xls holds Data, Chart1 (a chart) and Summary; b.xls holds One and Two.
struct Case {
    const char* name;
    std::function<void(ApplicationFactory&, const std::string& a, const std::string& b, Outcome&)>
        run;
    Outcome expected;
};

const Case kCases[] = {
    {"WorksheetsLeaveOutChartsAndNamesAreFoundInAnyCase",
     [](ApplicationFactory& factory, const std::string& a, const std::string&, Outcome& out) {
         auto book = OpenWorkbook(factory, a)->workbooks()->item(1);
         out = {names(*book->worksheets()), names(*book->sheets()),
                book->sheets()->item("chart1")->name()};
         EXPECT_THROW(book->worksheets()->item("Chart1"), CallError);
         EXPECT_THROW(OpenWorkbook(factory, a + ".missing"), CallError);
     },
     {"Data,Summary", "Data,Chart1,Summary", "Chart1"}},
    {"EditsReachTheFileWhenSavedAndAnOpenFileOpensOnce",
     [](ApplicationFactory& factory, const std::string& a, const std::string& b, Outcome& out) {
         auto application = OpenWorkbook(factory, b);
         auto book = application->workbooks()->item(1);
         book->sheets()->item("two")->setName("Three");
         book->sheets()->item("One")->deleteSheet();
         out.push_back(names(*OpenWorkbook(factory, b)->workbooks()->item(1)->sheets()));
         book->save(1033);
         out.push_back(names(*OpenWorkbook(factory, b)->workbooks()->item(1)->sheets()));
         application->workbooks()->open(a);
         out.push_back(names(*application->workbooks()->open(b)->sheets()));
         out.push_back(std::to_string(application->workbooks()->count()));
     },
     {"One,Two", "Three", "Three", "2"}},
};

enum class Backend { Recording, Native };

class BackendsAgreeTest : public ::testing::TestWithParam<std::tuple<Backend, Case>> {
  protected:
    void SetUp() override {
        using namespace tarnvale::testing;
        writeFileBytes(a_, compoundFileWithWorkbook(WorkbookStreamBuilder()
                                                        .sheet({u"Data"})
                                                        .sheet({u"Chart1", 2})
                                                        .sheet({u"Summary"})
                                                        .build()));
        writeFileBytes(b_, compoundFileWithWorkbook(
                               WorkbookStreamBuilder().sheet({u"One"}).sheet({u"Two"}).build()));
        recording_.addWorkbook(a_, {"Data", {"Chart1", SheetKind::Chart}, "Summary"});
        recording_.addWorkbook(b_, {"One", "Two"});
    }

    tarnvale::testing::TempFolder folder_{"backends"};
    std::string a_ = (folder_ / "a.xls").string(), b_ = (folder_ / "b.xls").string();
    RecordingApplicationFactory recording_;
    NativeApplicationFactory native_;
};

TEST_P(BackendsAgreeTest, GivesTheApplicationsOutcome) {
    const auto& [backend, c] = GetParam();
    Outcome outcome;
    c.run(backend == Backend::Native ? static_cast<ApplicationFactory&>(native_) : recording_, a_,
          b_, outcome);
    EXPECT_EQ(outcome, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, BackendsAgreeTest,
                         ::testing::Combine(::testing::Values(Backend::Recording, Backend::Native),
                                            ::testing::ValuesIn(kCases)),
                         [](const auto& row) {
                             return std::string(std::get<Backend>(row.param) == Backend::Native
                                                    ? "Native_"
                                                    : "Recording_") +
                                    std::get<Case>(row.param).name;
                         });

}  // namespace
}  // namespace excel

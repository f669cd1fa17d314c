// The recording double stands in for the application in the handler tests, so
// it must answer as the product's own backend does. Each case runs against both,
// on the same two workbooks, and both must give the outcome written down here:
// a fault in the native backend or a double that drifts from it fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "excel/native_application.h"
#include "excel/open_workbook.h"
#include "excel/recording_application.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "support/workbook_builder.h"

namespace excel {
namespace {

namespace fs = std::filesystem;
using Outcome = std::vector<std::string>;

// What a call gave: its result, or "refused" when it raised CallError.
void attempt(Outcome& out, const std::function<std::string()>& call) {
    try {
        out.push_back(call());
    } catch (const CallError&) {
        out.push_back("refused");
    }
}

std::string names(Sheets& sheets) {
    std::string joined;
    for (int i = 1; i <= sheets.count(); ++i) joined += (i > 1 ? "," : "") + sheets.item(i)->name();
    return joined;
}

// The sheets in the file as a fresh application lists them.
std::string namesInFile(ApplicationFactory& factory, const std::string& path) {
    auto application = OpenWorkbook(factory, path);
    return names(*application->workbooks()->item(1)->sheets());
}

struct Paths {
    std::string a;  // Data, Chart1 (a chart), Summary
    std::string b;  // One, Two
};

struct Case {
    const char* name;
    std::function<void(ApplicationFactory&, const Paths&, Outcome&)> run;
    Outcome expected;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const Case kCases[] = {
    {"WorksheetsLeaveOutChartsWhileSheetsFindAnyKindWithoutCase",
     [](ApplicationFactory& factory, const Paths& paths, Outcome& out) {
         auto book = OpenWorkbook(factory, paths.a)->workbooks()->item(1);
         out.push_back(names(*book->worksheets()));
         out.push_back(names(*book->sheets()));
         attempt(out, [&] { return book->sheets()->item("chart1")->name(); });
         attempt(out, [&] { return book->worksheets()->item("Chart1")->name(); });
         attempt(out, [&] { return book->sheets()->item(4)->name(); });
     },
     {"Data,Summary", "Data,Chart1,Summary", "Chart1", "refused", "refused"}},
    {"KeepsTheLastSheet",
     [](ApplicationFactory& factory, const Paths& paths, Outcome& out) {
         auto book = OpenWorkbook(factory, paths.b)->workbooks()->item(1);
         attempt(out, [&] {
             return book->sheets()->item("Two")->deleteSheet(), names(*book->sheets());
         });
         attempt(out, [&] {
             return book->sheets()->item("one")->deleteSheet(), names(*book->sheets());
         });
     },
     {"One", "refused"}},
    {"EditsReachTheFileOnlyWhenSaved",
     [](ApplicationFactory& factory, const Paths& paths, Outcome& out) {
         auto application = OpenWorkbook(factory, paths.a);
         auto book = application->workbooks()->item(1);
         book->sheets()->item("Data")->setName("Figures");
         book->sheets()->item("Chart1")->deleteSheet();
         out.push_back(namesInFile(factory, paths.a));
         book->save(1033);
         out.push_back(namesInFile(factory, paths.a));
     },
     {"Data,Chart1,Summary", "Figures,Summary"}},
    {"OpensOnlyWhatIsThereAndAnOpenFileOnce",
     [](ApplicationFactory& factory, const Paths& paths, Outcome& out) {
         auto application = OpenWorkbook(factory, paths.b);
         attempt(out, [&] { return names(*application->workbooks()->open(paths.b)->sheets()); });
         out.push_back(std::to_string(application->workbooks()->count()));
         attempt(out, [&] {
             return names(*application->workbooks()->open(paths.b + ".missing")->sheets());
         });
     },
     {"One,Two", "1", "refused"}},
};

enum class Backend { Recording, Native };

class BackendsAgreeTest : public ::testing::TestWithParam<std::tuple<Backend, Case>> {
  protected:
    void SetUp() override {
        paths_ = {(folder_ / "a.xls").string(), (folder_ / "b.xls").string()};
        using namespace tarnvale::testing;
        writeFileBytes(paths_.a, compoundFileWithWorkbook(WorkbookStreamBuilder()
                                                              .sheet({u"Data"})
                                                              .sheet({u"Chart1", 2})
                                                              .sheet({u"Summary"})
                                                              .build()));
        writeFileBytes(paths_.b,
                       compoundFileWithWorkbook(
                           WorkbookStreamBuilder().sheet({u"One"}).sheet({u"Two"}).build()));
        recording_.addWorkbook(paths_.a, {{"Data", SheetKind::Worksheet},
                                          {"Chart1", SheetKind::Chart},
                                          {"Summary", SheetKind::Worksheet}});
        recording_.addWorkbook(paths_.b, std::vector<std::string>{"One", "Two"});
    }
    ApplicationFactory& factory() {
        if (std::get<Backend>(GetParam()) == Backend::Native) return native_;
        return recording_;
    }

    tarnvale::testing::TempFolder folder_{"backends"};
    Paths paths_;
    RecordingApplicationFactory recording_;
    NativeApplicationFactory native_;
};

TEST_P(BackendsAgreeTest, GivesTheApplicationsOutcome) {
    const Case& c = std::get<Case>(GetParam());
    Outcome outcome;
    c.run(factory(), paths_, outcome);
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

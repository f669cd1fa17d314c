// A move's two-file commit failing at each of its steps, in either file: the
// error is reported, the moved sheet is still in at least one of the two files
// (in the destination exactly when the destination was replaced), both files
// open and list, and no temporary file is left in either folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "support/faulty_calls.h"
#include "support/temp_folder.h"
#include "workbook/workbook_impl.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

namespace fs = std::filesystem;

struct CommitFault {
    const char* step;          // the call that fails (see FaultyCalls)
    bool inSource;             // in the source's save, else the destination's
    bool destinationReplaced;  // the destination was committed before the failure
};

void PrintTo(const CommitFault& fault, std::ostream* os) {
    *os << fault.step << (fault.inSource ? " of the source" : " of the destination");
}

class MoveCommitFaultTest : public ::testing::TestWithParam<CommitFault> {
  protected:
    static std::vector<std::string> listed(const fs::path& file) {
        const Workbook book = Workbook::open(file);
        std::vector<std::string> names;
        for (const auto& sheet : book.sheets()) names.push_back(sheet.name);
        return names;
    }

    tarnvale::testing::TempFolder root_{"commit"};
    fs::path source_ = root_.copyOfCorpus("gnumeric__ttest.xls", "from/gnumeric__ttest.xls");
    fs::path destination_ = root_.copyOfCorpus("poi__rk.xls", "to/poi__rk.xls");
};

TEST_P(MoveCommitFaultTest, LeavesTheSheetInAtLeastOneFileAndReportsTheFailure) {
    const auto sourceBefore = listed(source_);
    const auto destinationBefore = listed(destination_);
    const std::string moved = sourceBefore.at(1);
    Workbook source = Workbook::open(source_);
    Workbook destination = Workbook::open(destination_);
    destination.copySheet(source, 1, 0);
    source.deleteSheet(1);

    tarnvale::testing::FaultyCalls faulty;
    faulty.failing = GetParam().step;
    WorkbookInternals::of(GetParam().inSource ? source : destination).fileSystem = &faulty;
    EXPECT_THROW(Workbook::saveTogether(destination, source), Error);

    EXPECT_EQ(listed(source_), sourceBefore) << "the source is replaced last";
    auto destinationExpected = destinationBefore;
    if (GetParam().destinationReplaced)
        destinationExpected.insert(destinationExpected.begin() + 1, moved);
    EXPECT_EQ(listed(destination_), destinationExpected);
    for (const fs::path& file : {source_, destination_})
        EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1) << file;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, MoveCommitFaultTest,
    ::testing::Values(CommitFault{"mkostemp", false, false}, CommitFault{"write", false, false},
                      CommitFault{"fsync", false, false}, CommitFault{"close", false, false},
                      CommitFault{"verify", false, false}, CommitFault{"rename", false, false},
                      CommitFault{"mkostemp", true, false}, CommitFault{"write", true, false},
                      CommitFault{"fsync", true, false}, CommitFault{"close", true, false},
                      CommitFault{"verify", true, false}, CommitFault{"rename", true, true}),
    [](const auto& row) {
        return std::string(row.param.step) + (row.param.inSource ? "OfSource" : "OfDestination");
    });

}  // namespace
}  // namespace xls

// A move's two-file commit failing at each of its steps, in either file: the
// error is reported, the moved sheet is still in at least one of the two files
// (in the destination exactly when the destination was replaced), both files
// open and list, and no temporary file is left in either folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "model/workbook_impl.h"
#include "support/corpus_manifest.h"
#include "support/faulty_calls.h"
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
    MoveCommitFaultTest()
        : root_(fs::temp_directory_path() / ("tarnvale-commit-" + std::to_string(::getpid()))) {
        fs::remove_all(root_);
        source_ = place("from", "gnumeric__ttest.xls");
        destination_ = place("to", "poi__rk.xls");
    }
    ~MoveCommitFaultTest() override { fs::remove_all(root_); }

    fs::path place(const char* folder, const char* corpusName) {
        fs::create_directories(root_ / folder);
        const fs::path file = root_ / folder / corpusName;
        fs::copy_file(tarnvale::testing::corpusPath(corpusName), file);
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
        return file;
    }

    static std::vector<std::string> listed(const fs::path& file) {
        const Workbook book = Workbook::open(file);
        std::vector<std::string> names;
        for (const auto& sheet : book.sheets()) names.push_back(sheet.name);
        return names;
    }

    static std::vector<fs::path> folderOf(const fs::path& file) {
        std::vector<fs::path> entries(fs::directory_iterator(file.parent_path()), {});
        return entries;
    }

    fs::path root_, source_, destination_;
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

    const auto in = [&](const std::vector<std::string>& names) {
        return std::find(names.begin(), names.end(), moved) != names.end();
    };
    const auto sourceAfter = listed(source_);
    const auto destinationAfter = listed(destination_);
    EXPECT_EQ(sourceAfter, sourceBefore) << "the source is replaced last";
    EXPECT_EQ(in(destinationAfter), GetParam().destinationReplaced);
    EXPECT_EQ(destinationAfter.size(),
              destinationBefore.size() + (GetParam().destinationReplaced ? 1 : 0));
    EXPECT_EQ(folderOf(source_), std::vector<fs::path>{source_});
    EXPECT_EQ(folderOf(destination_), std::vector<fs::path>{destination_});
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

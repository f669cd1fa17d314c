// A save never discards what it did not see: a workbook changed by another
// program between opening and saving, or open in LibreOffice, is refused,
// the file left as the other program left it and no temporary file behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "support/corpus_manifest.h"
#include "support/error_code_of.h"
#include "support/file_bytes.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

namespace fs = std::filesystem;
using tarnvale::testing::readFileBytes;
using tarnvale::testing::writeFileBytes;

struct OtherProgram {
    const char* name;
    std::function<void(const fs::path& book)> act;  // what it does while the workbook is open
    ErrorCode expected;
    const char* named;  // what the user's message names besides the file
};

void PrintTo(const OtherProgram& other, std::ostream* os) {
    *os << other.name;
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class SaveGuardTest : public ::testing::TestWithParam<OtherProgram> {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("tarnvale-guard-" + std::to_string(::getpid()) +
                                               "-" + std::to_string(counter_++));
        fs::create_directories(folder_);
        book_ = folder_ / "book.xls";
        fs::copy_file(tarnvale::testing::corpusPath("gnumeric__address.xls"), book_);
        fs::permissions(book_, fs::perms::owner_write, fs::perm_options::add);
    }
    void TearDown() override { fs::remove_all(folder_); }

    static inline int counter_ = 0;
    fs::path folder_;
    fs::path book_;
};

TEST_P(SaveGuardTest, RefusesAndLeavesTheOtherProgramsFile) {
    Workbook book = Workbook::open(book_);
    book.renameSheet(1, "Mine");
    GetParam().act(book_);
    const bool exists = fs::exists(book_);
    const auto theirs = exists ? readFileBytes(book_) : std::vector<std::uint8_t>{};
    const auto names = [&] { return fs::directory_iterator(folder_); };
    const auto filesBefore = std::distance(names(), fs::directory_iterator{});
    try {
        book.save();
        ADD_FAILURE() << "saved over another program's file";
    } catch (const Error& error) {
        EXPECT_EQ(error.code(), GetParam().expected);
        EXPECT_NE(std::string(error.what()).find(GetParam().named), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(fs::exists(book_), exists);
    if (exists) {
        EXPECT_EQ(readFileBytes(book_), theirs);
    }
    EXPECT_EQ(std::distance(names(), fs::directory_iterator{}), filesBefore)
        << "no temporary or lock file left";
}

INSTANTIATE_TEST_SUITE_P(
    Programs, SaveGuardTest,
    ::testing::Values(
        OtherProgram{"ReplacesTheFile",
                     [](const fs::path& book) {
                         const fs::path theirs = book.parent_path() / "theirs.tmp";
                         fs::copy_file(book, theirs);
                         fs::rename(theirs, book);
                     },
                     ErrorCode::FileChangedSinceOpened, "changed by another program"},
        OtherProgram{"RewritesInPlaceAtTheSameSize",
                     [](const fs::path& book) {
                         writeFileBytes(book, readFileBytes(book));
                         fs::last_write_time(book,
                                             fs::last_write_time(book) + std::chrono::seconds(2));
                     },
                     ErrorCode::FileChangedSinceOpened, "since it was opened"},
        OtherProgram{"AppendsToIt",
                     [](const fs::path& book) { std::ofstream(book, std::ios::app) << 'x'; },
                     ErrorCode::FileChangedSinceOpened, "book.xls"},
        OtherProgram{"RemovesIt", [](const fs::path& book) { fs::remove(book); },
                     ErrorCode::FileChangedSinceOpened, "book.xls"},
        OtherProgram{"LibreOfficeHasItOpen",
                     [](const fs::path& book) {
                         writeText(book.parent_path() / ".~lock.book.xls#",
                                   ",Example\\, Ann,ws4,07.12.2026 06:22,file:///home/ann/.config/"
                                   "libreoffice/4;");
                     },
                     ErrorCode::FileOpenElsewhere,
                     "LibreOffice (by Example, Ann on ws4 since "
                     "07.12.2026 06:22"},
        OtherProgram{
            "LibreOfficeLeftAnEmptyLockFile",
            [](const fs::path& book) { writeText(book.parent_path() / ".~lock.book.xls#", ""); },
            ErrorCode::FileOpenElsewhere, "open in LibreOffice"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace xls

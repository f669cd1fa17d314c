// A save never discards what it did not see: a workbook changed by another
// program between opening and saving, or open in LibreOffice, is refused,
// the file left as the other program left it and no temporary file behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

namespace fs = std::filesystem;
using tarnvale::testing::readFileBytes;

struct OtherProgram {
    const char* name;
    std::function<void(const fs::path& book)> act;  // done while the workbook is open
    ErrorCode expected;
    const char* named;  // what the user's message names besides the file
};

void PrintTo(const OtherProgram& other, std::ostream* os) {
    *os << other.name;
}

class SaveGuardTest : public ::testing::TestWithParam<OtherProgram> {};

TEST_P(SaveGuardTest, RefusesAndLeavesTheOtherProgramsFile) {
    const tarnvale::testing::TempFolder folder("guard");
    const fs::path file = folder.copyOfCorpus("gnumeric__address.xls", "book.xls");

    Workbook book = Workbook::open(file);
    book.renameSheet(1, "Mine");
    GetParam().act(file);
    const auto theirs = fs::exists(file) ? readFileBytes(file) : std::vector<std::uint8_t>{};
    const auto filesBefore = folder.entries();
    try {
        book.save();
        ADD_FAILURE() << "saved over another program's file";
    } catch (const Error& error) {
        EXPECT_EQ(error.code(), GetParam().expected);
        EXPECT_NE(std::string(error.what()).find(GetParam().named), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(fs::exists(file) ? readFileBytes(file) : std::vector<std::uint8_t>{}, theirs);
    EXPECT_EQ(folder.entries(), filesBefore) << "no temporary or lock file left";
}

void libreOfficeLock(const fs::path& book, const std::string& text) {
    std::ofstream(book.parent_path() / ".~lock.book.xls#", std::ios::binary) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Programs, SaveGuardTest,
    ::testing::Values(OtherProgram{"ReplacesTheFile",
                                   [](const fs::path& book) {
                                       fs::copy_file(book, book.string() + ".new");
                                       fs::rename(book.string() + ".new", book);
                                   },
                                   ErrorCode::FileChangedSinceOpened, "changed by another program"},
                      OtherProgram{"RewritesItInPlace",
                                   [](const fs::path& book) {
                                       tarnvale::testing::writeFileBytes(book, readFileBytes(book));
                                       fs::last_write_time(book, fs::last_write_time(book) +
                                                                     std::chrono::seconds(2));
                                   },
                                   ErrorCode::FileChangedSinceOpened, "since it was opened"},
                      OtherProgram{
                          "AppendsToIt",
                          [](const fs::path& book) { std::ofstream(book, std::ios::app) << 'x'; },
                          ErrorCode::FileChangedSinceOpened, "book.xls"},
                      OtherProgram{"RemovesIt", [](const fs::path& book) { fs::remove(book); },
                                   ErrorCode::FileChangedSinceOpened, "book.xls"},
                      OtherProgram{"LibreOfficeHasItOpen",
                                   [](const fs::path& book) {
                                       libreOfficeLock(
                                           book, ",Example\\, Ann,ws4,07.12.2026 06:22,file:///x;");
                                   },
                                   ErrorCode::FileOpenElsewhere,
                                   "LibreOffice (by Example, Ann on ws4 since 07.12.2026 06:22"},
                      OtherProgram{"LibreOfficeLockFileIsEmpty",
                                   [](const fs::path& book) { libreOfficeLock(book, ""); },
                                   ErrorCode::FileOpenElsewhere, "open in LibreOffice"}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace xls

// The edit lock: a second holder waits, then is refused; a release leaves no
// lock file; pairs locked crosswise never wait on each other; a workbook
// opened with its lock saves without waiting on itself.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/error_code_of.h"
#include "support/temp_folder.h"
#include "xls/workbook.h"

namespace xls {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tarnvale::testing::raisedCode;

class EditLockTest : public ::testing::Test {
  protected:
    tarnvale::testing::TempFolder folder_{"lock"};
    fs::path first_ = folder_.copyOfCorpus("gnumeric__address.xls", "a.xls");
    fs::path second_ = folder_.copyOfCorpus("gnumeric__address.xls", "b.xls");
};

TEST_F(EditLockTest, ASecondHolderWaitsThenIsRefusedUntilReleased) {
    EditLock held = EditLock::acquire(first_);
    ASSERT_TRUE(held.held());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(raisedCode([&] { EditLock::acquire(first_, 50ms); }), ErrorCode::FileLocked);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
    EXPECT_TRUE(EditLock::acquire(second_, 0ms).held()) << "another workbook is free";
    held.release();
    EXPECT_EQ(folder_.entries(), 2) << "lock file removed";
    EXPECT_TRUE(EditLock::acquire(first_, 0ms).held());
}

TEST_F(EditLockTest, PairsLockedCrosswiseNeverWaitOnEachOther) {
    auto lockPairs = [](const fs::path& a, const fs::path& b) {
        return raisedCode([&] {
            for (int i = 0; i < 300; ++i) auto both = EditLock::acquireBoth(a, b, 2s);
        });
    };
    std::optional<ErrorCode> forward, backward;
    std::thread one([&] { forward = lockPairs(first_, second_); });
    backward = lockPairs(second_, first_);
    one.join();
    EXPECT_EQ(forward, std::nullopt);
    EXPECT_EQ(backward, std::nullopt);
}

TEST_F(EditLockTest, AWorkbookOpenedWithItsLockSavesAndKeepsOthersOut) {
    Workbook book = Workbook::open(first_, EditLock::acquire(first_));
    book.renameSheet(0, "First");
    book.save();
    book.renameSheet(1, "Second");
    book.save();  // the identity recorded at the first save is the file now there
    EXPECT_EQ(raisedCode([&] { EditLock::acquire(first_, 10ms); }), ErrorCode::FileLocked);
    EXPECT_EQ(Workbook::open(first_).sheets()[1].name, "Second");
}

}  // namespace
}  // namespace xls

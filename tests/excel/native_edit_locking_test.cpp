// Applications that lock workbooks from opening them (the command line): one
// holding a workbook's lock takes another that comes earlier in the locking
// order only if it is free at once, so crossed copies and moves never wait on
// each other; the refusal says another program is changing the file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "excel/native_application.h"
#include "support/temp_folder.h"
#include "xls/edit_lock.h"

namespace {

namespace fs = std::filesystem;

TEST(NativeEditLocking, HoldingOneWorkbookNeverWaitsForAnEarlierOne) {
    const tarnvale::testing::TempFolder folder("native");
    fs::path earlier = folder.copyOfCorpus("gnumeric__address.xls", "a.xls");
    fs::path later = folder.copyOfCorpus("gnumeric__address.xls", "b.xls");
    if (xls::EditLock::placeOf(later) < xls::EditLock::placeOf(earlier)) std::swap(earlier, later);

    excel::NativeApplicationFactory factory(excel::EditLocking::FromOpening);
    auto first = factory.create();
    first->workbooks()->open(earlier.string());
    auto second = factory.create();
    second->workbooks()->open(later.string());
    const auto start = std::chrono::steady_clock::now();
    try {
        second->workbooks()->open(earlier.string());
        ADD_FAILURE() << "opened a workbook another application holds";
    } catch (const excel::CallError& error) {
        EXPECT_NE(error.reason().find("another program is changing"), std::string::npos);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    first->quit();  // releases its lock
    EXPECT_NO_THROW(second->workbooks()->open(earlier.string()));
    second->quit();
}

}  // namespace

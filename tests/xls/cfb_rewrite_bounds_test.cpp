// A FAT that lists its sectors twice claims room for streams far larger than the
// file. Rewriting such a file must refuse before it lays out (and allocates) the
// declared sizes: found by fuzzing, where it asked for 1.7 GB from a 22 KB file.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/file_bytes.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace {

std::filesystem::path malformed(const char* name) {
    return std::filesystem::path(TARNVALE_TEST_DATA_DIR) / "malformed" / name;
}

TEST(CompoundFileRewrite, AStreamLargerThanTheFileIsRefusedNotAllocated) {
    auto bytes = tarnvale::testing::readFileBytes(malformed("cfb-fat-claims-more-than-file.xls"));
    ASSERT_FALSE(bytes.empty());
    try {
        auto book = xls::Workbook::openBytes(std::move(bytes), "fixture");
        (void)book.serialize();
        FAIL() << "the rewrite went ahead";
    } catch (const xls::Error& error) {
        EXPECT_EQ(error.code(), xls::ErrorCode::CorruptContainer) << error.what();
    }
}

}  // namespace

// A FAT that lists its sectors twice claims room for streams far larger than the
// file. Rewriting such a file must refuse before it lays out (and allocates) the
// declared sizes: found by fuzzing, where it asked for 1.7 GB from a 22 KB file.
// Written straight to disk, a damaged container is refused with an error, and a
// size the file cannot hold is refused before a single byte goes out.
#include <gtest/gtest.h>

#include <filesystem>

#include "cfb/compound_file.h"
#include "cfb/compound_file_writer.h"
#include "io/byte_rope.h"
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

class CountingSink final : public xls::io::ByteSink {
  public:
    void write(std::span<const std::uint8_t> bytes) override { count += bytes.size(); }
    std::uint64_t count = 0;
};

struct DamagedContainer {
    const char* file;
    xls::ErrorCode expected;
    bool refusedBeforeWriting;  // else found while copying a stream
};

class StreamedRewriteOfDamagedFile : public ::testing::TestWithParam<DamagedContainer> {};

TEST_P(StreamedRewriteOfDamagedFile, RaisesAndWritesNothingItCannotBack) {
    const auto original = xls::cfb::CompoundFile::open(
        std::make_shared<xls::io::FileSource>(malformed(GetParam().file)));
    CountingSink sink;
    try {
        xls::cfb::writeCompoundFile(original, {}, {}, sink);
        FAIL() << "the rewrite went ahead";
    } catch (const xls::Error& error) {
        EXPECT_EQ(error.code(), GetParam().expected) << error.what() << " " << error.context();
    }
    if (GetParam().refusedBeforeWriting) {
        EXPECT_EQ(sink.count, 0u);
    }
    EXPECT_LT(sink.count, std::filesystem::file_size(malformed(GetParam().file)));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, StreamedRewriteOfDamagedFile,
    ::testing::Values(
        DamagedContainer{"cfb-fat-claims-more-than-file.xls", xls::ErrorCode::TruncatedContainer,
                         true},
        DamagedContainer{"cfb-stream-size-beyond-file.xls", xls::ErrorCode::TruncatedContainer,
                         true},
        DamagedContainer{"ops-stream-size-beyond-file.xls", xls::ErrorCode::TruncatedContainer,
                         true},
        DamagedContainer{"cfb-sector-out-of-range.xls", xls::ErrorCode::CorruptContainer, true},
        DamagedContainer{"cfb-cyclic-fat-chain.xls", xls::ErrorCode::CorruptContainer, false}));

}  // namespace

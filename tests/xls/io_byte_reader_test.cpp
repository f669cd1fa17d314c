// The bounds-checked reader and the file source: every overrun raises the
// caller's code instead of reading on.
#include <gtest/gtest.h>

#include <fstream>
#include <limits>

#include "io/byte_reader.h"
#include "io/byte_source.h"
#include "support/error_code_of.h"
#include "support/temp_folder.h"

namespace xls::io {
namespace {

using tarnvale::testing::raisedCode;

TEST(ByteReader, OverrunRaisesTheGivenCodeAndDoesNotMove) {
    const std::vector<std::uint8_t> bytes = {1, 2, 3};
    ByteReader reader(bytes, ErrorCode::CorruptContainer, "test");
    reader.u16();
    EXPECT_EQ(raisedCode([&] { reader.u16(); }), ErrorCode::CorruptContainer);
    EXPECT_EQ(reader.position(), 2u);
    EXPECT_EQ(raisedCode([&] { reader.skip(2); }), ErrorCode::CorruptContainer);
    EXPECT_EQ(raisedCode([&] { reader.seek(4); }), ErrorCode::CorruptContainer);
    EXPECT_EQ(raisedCode([&] { reader.bytes(std::numeric_limits<std::size_t>::max()); }),
              ErrorCode::CorruptContainer);
    EXPECT_EQ(reader.u8(), 3);
}

class FileSourceTest : public ::testing::Test {
  protected:
    tarnvale::testing::TempFolder folder_{"io"};
};

TEST_F(FileSourceTest, ReadsAndCountsBytes) {
    const auto path = folder_ / "ten.bin";
    std::ofstream(path, std::ios::binary) << "0123456789";
    FileSource source(path);
    EXPECT_EQ(source.size(), 10u);
    std::vector<std::uint8_t> out(3);
    source.readAt(4, out);
    EXPECT_EQ(std::string(out.begin(), out.end()), "456");
    EXPECT_EQ(source.bytesRead(), 3u);
    EXPECT_EQ(raisedCode([&] { source.readAt(8, out); }), ErrorCode::TruncatedContainer);
    EXPECT_EQ(raisedCode([&] { source.readAt(std::numeric_limits<std::uint64_t>::max(), out); }),
              ErrorCode::TruncatedContainer);
}

TEST_F(FileSourceTest, TellsMissingFromUnreadable) {
    EXPECT_EQ(raisedCode([&] { FileSource source(folder_ / "absent.xls"); }),
              ErrorCode::FileNotFound);
    EXPECT_EQ(raisedCode([&] { FileSource source(folder_ / "absent" / "deeper.xls"); }),
              ErrorCode::FileNotFound);
    EXPECT_EQ(raisedCode([&] { FileSource source(folder_.path()); }), ErrorCode::FileUnreadable);
    try {
        FileSource source(folder_ / "absent.xls");
    } catch (const Error& e) {
        EXPECT_NE(e.file().find("absent.xls"), std::string::npos);
    }
}

}  // namespace
}  // namespace xls::io

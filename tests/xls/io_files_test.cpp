// Files as the engine reads and locks them: the bounds-checked reader and the
// file source raise the caller's code instead of reading on; files that are no
// compound files told apart by their first bytes; the edit lock.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <thread>

#include "io/byte_reader.h"
#include "io/byte_source.h"
#include "io/file_kind.h"
#include "support/error_code_of.h"
#include "support/temp_folder.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using namespace io;
using namespace std::chrono_literals;
using namespace std::string_literals;
namespace fs = std::filesystem;
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

class FilesTest : public ::testing::Test {
  protected:
    tarnvale::testing::TempFolder folder_{"io"};
    fs::path first_ = folder_.copyOfCorpus("gnumeric__address.xls", "a.xls");
    fs::path second_ = folder_.copyOfCorpus("gnumeric__address.xls", "b.xls");
};

TEST_F(FilesTest, ReadsAndCountsBytes) {
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

TEST_F(FilesTest, TellsMissingFromUnreadable) {
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

struct KindCase {
    const char* label;
    std::string head;
    ErrorCode expected;
};

class FileKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(FileKindTest, NamesTheKind) {
    const std::string& head = GetParam().head;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.data());
    EXPECT_EQ(classifyNonCompoundFile({bytes, head.size()}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FileKindTest,
    ::testing::Values(
        KindCase{"Empty", "", ErrorCode::EmptyFile},
        KindCase{"Xlsx", "PK\x03\x04\x14\0\x06\0"s, ErrorCode::ZipBasedWorkbook},
        KindCase{"Html", "<html><body><table>", ErrorCode::WebPage},
        KindCase{"HtmlAfterBomAndSpace", "\xEF\xBB\xBF\r\n  <!DOCTYPE HTML PUBLIC",
                 ErrorCode::WebPage},
        KindCase{"BareTable", "<TABLE border=1><tr>", ErrorCode::WebPage},
        KindCase{"Utf16Html", "\xFF\xFE<\0h\0t\0m\0l\0>\0"s, ErrorCode::WebPage},
        KindCase{"Xhtml", "<?xml version=\"1.0\"?>\n<html xmlns=", ErrorCode::WebPage},
        KindCase{"SpreadsheetMl",
                 "<?xml version=\"1.0\"?>\n<?mso-application progid=\"Excel.Sheet\"?>",
                 ErrorCode::XmlSpreadsheet},
        KindCase{"WorkbookElement", "<Workbook xmlns=", ErrorCode::XmlSpreadsheet},
        KindCase{"Biff2", "\x09\0\x04\0\x07\0\x10\0"s, ErrorCode::OldExcelFormat},
        KindCase{"Biff4", "\x09\x04\x06\0\0\0\x10\0"s, ErrorCode::OldExcelFormat},
        KindCase{"BareBiff8", "\x09\x08\x10\0\0\x06\x05\0"s, ErrorCode::OldExcelFormat},
        KindCase{"BofIdWithAbsurdSize", "\x09\x08\xFF\x7F\0\x06\x05\0"s,
                 ErrorCode::NotCompoundFile},
        KindCase{"Csv", "name,value\r\nA,1\r\nB,2\r\n", ErrorCode::PlainText},
        KindCase{"Sylk", "ID;PWXL;N;E\rP;PGeneral\r", ErrorCode::PlainText},
        KindCase{"Latin1Text", "Stra\xDF\x65;Ort\n", ErrorCode::PlainText},
        KindCase{"Gzip", "\x1F\x8B\x08\0\0\0\0\0\0\x03"s, ErrorCode::NotCompoundFile},
        KindCase{"Bitmap", "BM\xB6\x9C\x01\0\0\0"s, ErrorCode::NotCompoundFile}),
    [](const auto& row) { return std::string(row.param.label); });

TEST_F(FilesTest, ASecondHolderWaitsThenIsRefusedUntilReleased) {
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

TEST_F(FilesTest, PairsLockedCrosswiseNeverWaitOnEachOther) {
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

TEST_F(FilesTest, AWorkbookOpenedWithItsLockSavesAndKeepsOthersOut) {
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

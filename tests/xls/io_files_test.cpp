// Files as the engine reads, tells apart, locks and saves them; a failed save
// leaves the original byte-identical and no temporary file behind.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>

#include "io/atomic_file.h"
#include "io/byte_reader.h"
#include "io/byte_source.h"
#include "io/file_kind.h"
#include "support/error_code_of.h"
#include "support/faulty_calls.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "xls/error.h"
#include "xls/workbook.h"

namespace xls {
namespace {

using enum ErrorCode;
using namespace io;
using namespace std::chrono_literals;
using namespace std::string_literals;
namespace fs = std::filesystem;
using tarnvale::testing::raisedCode;

TEST(ByteReader, OverrunRaisesTheGivenCodeAndDoesNotMove) {
    const std::vector<std::uint8_t> bytes = {1, 2, 3};
    ByteReader reader(bytes, CorruptContainer, "test");
    reader.u16();
    EXPECT_EQ(raisedCode([&] { reader.u16(); }), CorruptContainer);
    EXPECT_EQ(reader.position(), 2u);
    EXPECT_EQ(raisedCode([&] { reader.skip(2); }), CorruptContainer);
    EXPECT_EQ(raisedCode([&] { reader.seek(4); }), CorruptContainer);
    EXPECT_EQ(raisedCode([&] { reader.bytes(std::numeric_limits<std::size_t>::max()); }),
              CorruptContainer);
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
    EXPECT_EQ(raisedCode([&] { source.readAt(8, out); }), TruncatedContainer);
    EXPECT_EQ(raisedCode([&] { source.readAt(std::numeric_limits<std::uint64_t>::max(), out); }),
              TruncatedContainer);
}

TEST_F(FilesTest, TellsMissingFromUnreadable) {
    EXPECT_EQ(raisedCode([&] { FileSource source(folder_ / "absent.xls"); }), FileNotFound);
    EXPECT_EQ(raisedCode([&] { FileSource source(folder_ / "absent" / "deeper.xls"); }),
              FileNotFound);
    EXPECT_EQ(raisedCode([&] { FileSource source(folder_.path()); }), FileUnreadable);
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
        KindCase{"Empty", "", EmptyFile},
        KindCase{"Xlsx", "PK\x03\x04\x14\0\x06\0"s, ZipBasedWorkbook},
        KindCase{"Html", "<html><body><table>", WebPage},
        KindCase{"HtmlAfterBomAndSpace", "\xEF\xBB\xBF\r\n  <!DOCTYPE HTML PUBLIC", WebPage},
        KindCase{"BareTable", "<TABLE border=1><tr>", WebPage},
        KindCase{"Utf16Html", "\xFF\xFE<\0h\0t\0m\0l\0>\0"s, WebPage},
        KindCase{"Xhtml", "<?xml version=\"1.0\"?>\n<html xmlns=", WebPage},
        KindCase{"SpreadsheetMl",
                 "<?xml version=\"1.0\"?>\n<?mso-application progid=\"Excel.Sheet\"?>",
                 XmlSpreadsheet},
        KindCase{"WorkbookElement", "<Workbook xmlns=", XmlSpreadsheet},
        KindCase{"Biff2", "\x09\0\x04\0\x07\0\x10\0"s, OldExcelFormat},
        KindCase{"Biff4", "\x09\x04\x06\0\0\0\x10\0"s, OldExcelFormat},
        KindCase{"BareBiff8", "\x09\x08\x10\0\0\x06\x05\0"s, OldExcelFormat},
        KindCase{"BofIdWithAbsurdSize", "\x09\x08\xFF\x7F\0\x06\x05\0"s, NotCompoundFile},
        KindCase{"Csv", "name,value\r\nA,1\r\nB,2\r\n", PlainText},
        KindCase{"Sylk", "ID;PWXL;N;E\rP;PGeneral\r", PlainText},
        KindCase{"Latin1Text", "Stra\xDF\x65;Ort\n", PlainText},
        KindCase{"Gzip", "\x1F\x8B\x08\0\0\0\0\0\0\x03"s, NotCompoundFile},
        KindCase{"Bitmap", "BM\xB6\x9C\x01\0\0\0"s, NotCompoundFile}),
    [](const auto& row) { return std::string(row.param.label); });

TEST_F(FilesTest, ASecondHolderWaitsThenIsRefusedUntilReleased) {
    EditLock held = EditLock::acquire(first_);
    ASSERT_TRUE(held.held());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(raisedCode([&] { EditLock::acquire(first_, 50ms); }), FileLocked);
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
    EXPECT_EQ(raisedCode([&] { EditLock::acquire(first_, 10ms); }), FileLocked);
    EXPECT_EQ(Workbook::open(first_).sheets()[1].name, "Second");
}

using tarnvale::testing::FaultyCalls;
using tarnvale::testing::writeFileBytes;
const auto readAll = tarnvale::testing::readFileBytes;

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override { writeFileBytes(target_, original_); }
    std::vector<fs::path> strayFiles() const {
        std::vector<fs::path> stray;
        for (const auto& item : fs::directory_iterator(folder_.path())) {
            if (item.path().filename().string().starts_with(".")) stray.push_back(item.path());
        }
        return stray;
    }
    std::optional<ErrorCode> save(FileSystemCalls& calls, const VerifyWrittenFile& verify = {}) {
        return raisedCode([&] { saveFileAtomically(target_, replacement_, verify, calls); });
    }

    tarnvale::testing::TempFolder folder_{"save"};
    fs::path target_ = folder_ / "book.xls";
    const std::vector<std::uint8_t> original_ = std::vector<std::uint8_t>(3000, 0x11);
    const std::vector<std::uint8_t> replacement_ = std::vector<std::uint8_t>(5000, 0x22);
};

// The new file takes the old one's place and its permission bits.
TEST_F(AtomicFileTest, ReplacesTheFileAndLeavesNothingBehind) {
    const auto bits = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target_, bits);
    FaultyCalls calls;
    calls.maxWrite = 7;  // short writes are completed
    EXPECT_EQ(save(calls,
                   [&](const fs::path& written) {
                       EXPECT_EQ(readAll(written), replacement_);
                       EXPECT_EQ(written.parent_path(), folder_.path());
                   }),
              std::nullopt);
    EXPECT_EQ(readAll(target_), replacement_);
    EXPECT_TRUE(strayFiles().empty());
    EXPECT_EQ(fs::status(target_).permissions() & fs::perms::all, bits);

    target_ = folder_ / "new.xls";  // a file that did not exist is created
    EXPECT_EQ(save(calls), std::nullopt);
    EXPECT_EQ(readAll(target_), replacement_);
}

// A save failing in an OS call, the content or its check, or refused by the target.
struct Fault {
    const char* name;
    const char* step = "";
    int error = EIO;
    int failAfter = 0;
    std::optional<ErrorCode> expected = WriteFailed;  // none: the content's own
    bool writeReturnsZero = false;
    std::function<void(fs::path& target)> prepare = {};  // the target before the save
    VerifyWrittenFile verify = {};
    std::function<void()> raise = {};  // thrown by the content after 2 MB
    std::string reported = "";         // the file the error names, "" for the target
};

class AtomicFileFaultTest : public AtomicFileTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(AtomicFileFaultTest, OriginalSurvivesAndNoTemporaryRemains) {
    const Fault& fault = GetParam();
    if (fault.prepare) fault.prepare(target_);
    const bool existed = fs::is_regular_file(target_);
    FaultyCalls calls;
    calls.failing = fault.step;
    calls.error = fault.error;
    calls.failAfter = fault.failAfter;
    calls.writeReturnsZero = fault.writeReturnsZero;
    calls.maxWrite = 1000;  // several writes, so a later one can fail
    const std::vector<std::uint8_t> piece(64 * 1024, 0x33);
    const auto content = [&](ByteSink& out) {
        for (int i = 0; i < 48; ++i) {
            if (i == 32 && fault.raise) fault.raise();
            out.write(piece);
        }
    };
    std::optional<ErrorCode> code;
    std::string reported;
    try {
        saveFileAtomically(target_, content, fault.verify, calls);
    } catch (const Error& e) {
        code = e.code();
        reported = e.file();
    } catch (const std::runtime_error& e) {
        reported = e.what();
    }
    EXPECT_EQ(code, fault.expected);
    EXPECT_EQ(reported, fault.reported.empty() ? target_.string() : fault.reported);
    EXPECT_EQ(fs::is_regular_file(target_), existed);
    if (existed) {
        EXPECT_EQ(readAll(target_), original_);
    }
    EXPECT_TRUE(strayFiles().empty());
    EXPECT_EQ(calls.openDescriptors, 0) << "every file opened is closed";
    // A target that cannot be written is refused before anything is written.
    if (calls.failing == "access") {
        EXPECT_EQ(calls.opens, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AtomicFileFaultTest,
    ::testing::Values(
        Fault{"CreateFails", "mkostemp"},
        Fault{"CreateRefused", "mkostemp", EACCES, 0, FileNotWritable},
        Fault{"DiskFullAtOnce", "write", ENOSPC}, Fault{"DiskFullMidway", "write", ENOSPC, 2},
        Fault{"WriteTakesNothing", "write", 0, 1, WriteFailed, true},
        Fault{"PermissionsCopyFails", "fchmod"}, Fault{"FlushFails", "fsync"},
        Fault{"ExamineFails", "fstat"}, Fault{"CloseFails", "close"},
        Fault{"RenameFails", "rename", EXDEV},
        Fault{"ReadOnlyFolder", "access", EACCES, 0, FileNotWritable},
        Fault{"ReadOnlyFile", "access", EROFS, 1, FileNotWritable},
        // A folder whose check fails for another reason than rights.
        Fault{.name = "FolderCannotBeChecked",
              .step = "access",
              .prepare = [](fs::path& target) { fs::remove(target); }},
        // A file marked read-only is refused whoever saves it, root included.
        Fault{.name = "FileMarkedReadOnly",
              .expected = FileNotWritable,
              .prepare = [](fs::path& target) { fs::permissions(target, fs::perms::owner_read); }},
        Fault{.name = "TargetIsAFolder",
              .prepare =
                  [](fs::path& target) {
                      target = target.parent_path() / "sub";
                      fs::create_directories(target);
                  }},
        Fault{.name = "VerificationFails",
              .verify = [](const fs::path&) { fail(CorruptContainer, "bad"); }},
        Fault{.name = "ContentFailsToRead",
              .expected = TruncatedContainer,
              .raise = [] { fail(TruncatedContainer, "sector 9"); }},
        Fault{.name = "ContentErrorNamingItsFile",
              .expected = CorruptContainer,
              .raise = [] { throw Error(CorruptContainer, "source.xls", "sector 9"); },
              .reported = "source.xls"},
        Fault{.name = "ContentThrowsSomethingElse",
              .expected = std::nullopt,
              .raise = [] { throw std::runtime_error("not an engine error"); },
              .reported = "not an engine error"}),
    [](const auto& row) { return std::string(row.param.name); });

// Pieces around the 1 MB write buffer, taken in short writes, arrive whole and in order.
TEST_F(AtomicFileTest, StreamedContentArrivesWholeAndInOrder) {
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    const std::vector<std::size_t> pieceLists[] = {{},  // an empty file
                                                   std::vector<std::size_t>(5000, 1),
                                                   {kMiB - 1, 2, kMiB, 1, 3 * kMiB + 5, 17},
                                                   {10, kMiB - 10, kMiB, 512, 2 * kMiB - 512}};
    for (const auto& pieces : pieceLists) {
        std::vector<std::uint8_t> expected(std::reduce(pieces.begin(), pieces.end()));
        for (std::size_t i = 0; i < expected.size(); ++i)
            expected[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
        FaultyCalls calls;
        calls.maxWrite = 300'001;
        const auto content = [&](ByteSink& out) {
            for (std::size_t at = 0; std::size_t size : pieces) {
                out.write(std::span(expected).subspan(at, size));
                at += size;
            }
        };
        EXPECT_EQ(raisedCode([&] { saveFileAtomically(target_, content, {}, calls); }),
                  std::nullopt);
        EXPECT_EQ(readAll(target_), expected) << pieces.size() << " pieces";
        EXPECT_TRUE(strayFiles().empty());
    }
}

TEST_F(AtomicFileTest, FollowsASymbolicLinkAndKeepsIt) {
    const fs::path real = folder_ / "real";
    fs::create_directories(real);
    fs::rename(target_, real / "book.xls");
    fs::create_symlink("real/book.xls", target_);
    FaultyCalls calls;
    EXPECT_EQ(save(calls), std::nullopt);
    EXPECT_TRUE(fs::is_symlink(target_));
    EXPECT_EQ(readAll(real / "book.xls"), replacement_);
    for (const auto& item : fs::directory_iterator(real)) {
        EXPECT_FALSE(item.path().filename().string().starts_with(".")) << item.path();
    }
}

// A real failure midway for any user: a file size limit refuses writes past 64 KB.
TEST_F(AtomicFileTest, RealWriteFailureMidwayKeepsTheOriginal) {
    struct FileSizeLimit {
        rlimit saved{};
        void (*savedHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
        FileSizeLimit() {
            ::getrlimit(RLIMIT_FSIZE, &saved);
            rlimit limited = saved;
            limited.rlim_cur = 64 * 1024;
            ::setrlimit(RLIMIT_FSIZE, &limited);
        }
        ~FileSizeLimit() {
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, savedHandler);
        }
    };
    const std::vector<std::uint8_t> tooBig(1 << 20, 0x44);
    std::optional<ErrorCode> code;
    {
        FileSizeLimit limit;
        code = raisedCode([&] { saveFileAtomically(target_, tooBig); });
    }
    EXPECT_EQ(code, WriteFailed);
    EXPECT_EQ(readAll(target_), original_);
    EXPECT_TRUE(strayFiles().empty());
}

}  // namespace
}  // namespace xls

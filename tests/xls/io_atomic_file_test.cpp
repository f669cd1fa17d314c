// Safe saving: each OS call failing in turn leaves the original byte-identical
// and no temporary file behind; read-only targets are refused before writing;
// links, permissions and two-file commits behave.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <stdexcept>

#include "io/atomic_file.h"
#include "support/error_code_of.h"
#include "support/faulty_calls.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"
#include "xls/error.h"

namespace xls::io {
namespace {

namespace fs = std::filesystem;

using tarnvale::testing::FaultyCalls;
using tarnvale::testing::raisedCode;
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
    fs::path seen;
    EXPECT_EQ(save(calls,
                   [&](const fs::path& written) {
                       seen = written;
                       EXPECT_EQ(readAll(written), replacement_);
                       EXPECT_EQ(written.parent_path(), folder_.path());
                   }),
              std::nullopt);
    EXPECT_EQ(readAll(target_), replacement_);
    EXPECT_TRUE(strayFiles().empty());
    EXPECT_NE(seen.filename().string().find(".book.xls.tarnvale-"), std::string::npos);
    EXPECT_EQ(fs::status(target_).permissions() & fs::perms::all, bits);
}

struct Fault {
    const char* name;
    const char* step;
    int error;
    int failAfter;
    bool writeReturnsZero;
    ErrorCode expected;
};

void PrintTo(const Fault& fault, std::ostream* os) {
    *os << fault.name;
}

class AtomicFileFaultTest : public AtomicFileTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(AtomicFileFaultTest, OriginalSurvivesAndNoTemporaryRemains) {
    FaultyCalls calls;
    calls.failing = GetParam().step;
    calls.error = GetParam().error;
    calls.failAfter = GetParam().failAfter;
    calls.writeReturnsZero = GetParam().writeReturnsZero;
    calls.maxWrite = 1000;  // several writes, so a later one can fail
    EXPECT_EQ(save(calls), GetParam().expected);
    EXPECT_EQ(readAll(target_), original_);
    EXPECT_TRUE(strayFiles().empty());
    EXPECT_EQ(calls.openDescriptors, 0) << "every file opened is closed";
    // A read-only target is refused before anything is written.
    if (calls.failing == "access") {
        EXPECT_EQ(calls.opens, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AtomicFileFaultTest,
    ::testing::Values(
        Fault{"CreateFails", "mkostemp", EIO, 0, false, ErrorCode::WriteFailed},
        Fault{"CreateRefused", "mkostemp", EACCES, 0, false, ErrorCode::FileNotWritable},
        Fault{"DiskFullAtOnce", "write", ENOSPC, 0, false, ErrorCode::WriteFailed},
        Fault{"DiskFullMidway", "write", ENOSPC, 2, false, ErrorCode::WriteFailed},
        Fault{"WriteTakesNothing", "write", 0, 1, true, ErrorCode::WriteFailed},
        Fault{"PermissionsCopyFails", "fchmod", EIO, 0, false, ErrorCode::WriteFailed},
        Fault{"FlushFails", "fsync", EIO, 0, false, ErrorCode::WriteFailed},
        Fault{"ExamineFails", "fstat", EIO, 0, false, ErrorCode::WriteFailed},
        Fault{"CloseFails", "close", EIO, 0, false, ErrorCode::WriteFailed},
        Fault{"RenameFails", "rename", EXDEV, 0, false, ErrorCode::WriteFailed},
        Fault{"ReadOnlyFolder", "access", EACCES, 0, false, ErrorCode::FileNotWritable},
        Fault{"ReadOnlyFile", "access", EROFS, 1, false, ErrorCode::FileNotWritable}),
    [](const auto& row) { return std::string(row.param.name); });

// Content written in pieces of awkward sizes (around the 1 MB write buffer) and
// taken by the OS in short writes arrives whole and in order.
class StreamedContentTest : public AtomicFileTest,
                            public ::testing::WithParamInterface<std::vector<std::size_t>> {};

TEST_P(StreamedContentTest, ArrivesWholeAndInOrder) {
    std::vector<std::uint8_t> expected;
    for (std::size_t size : GetParam()) {
        for (std::size_t i = 0; i < size; ++i)
            expected.push_back(
                static_cast<std::uint8_t>(expected.size() * 7 + expected.size() / 251));
    }
    FaultyCalls calls;
    calls.maxWrite = 300'001;
    EXPECT_EQ(raisedCode([&] {
                  saveFileAtomically(
                      target_,
                      [&](ByteSink& out) {
                          std::size_t at = 0;
                          for (std::size_t size : GetParam()) {
                              out.write(std::span(expected).subspan(at, size));
                              at += size;
                          }
                      },
                      {}, calls);
              }),
              std::nullopt);
    EXPECT_EQ(readAll(target_), expected);
    EXPECT_TRUE(strayFiles().empty());
}

constexpr std::size_t kMiB = std::size_t{1} << 20;
INSTANTIATE_TEST_SUITE_P(
    Pieces, StreamedContentTest,
    ::testing::Values(std::vector<std::size_t>{},  // an empty file
                      std::vector<std::size_t>(5000, 1),
                      std::vector<std::size_t>{kMiB - 1, 2, kMiB, 1, 3 * kMiB + 5, 17},
                      std::vector<std::size_t>{10, kMiB - 10, kMiB, 512, 2 * kMiB - 512}));

// A streamed save that fails partway, in the OS or in producing the content:
// the original stays byte for byte, no temporary file remains, and the error
// says what happened.
struct StreamFault {
    const char* name;
    bool writeFails;  // else the content throws after 2 MB
    std::function<void()> raise;
    std::optional<ErrorCode> expected;  // nullopt: the content's own exception passes unchanged
    std::string expectedFile;           // "" for the target itself
};

void PrintTo(const StreamFault& fault, std::ostream* os) {
    *os << fault.name;
}

class StreamedSaveFaultTest : public AtomicFileTest,
                              public ::testing::WithParamInterface<StreamFault> {};

TEST_P(StreamedSaveFaultTest, OriginalSurvivesAndNoTemporaryRemains) {
    const StreamFault& fault = GetParam();
    FaultyCalls calls;
    if (fault.writeFails) {
        calls.failing = "write";
        calls.error = ENOSPC;
        calls.failAfter = 2;  // two 1 MB writes succeed first
    }
    const std::vector<std::uint8_t> piece(64 * 1024, 0x33);
    const auto content = [&](ByteSink& out) {
        for (int i = 0; i < 48; ++i) {
            if (i == 32 && fault.raise) fault.raise();
            out.write(piece);
        }
    };
    try {
        saveFileAtomically(target_, content, {}, calls);
        ADD_FAILURE() << "the save went ahead";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), fault.expected);
        EXPECT_EQ(e.file(), fault.expectedFile.empty() ? target_.string() : fault.expectedFile);
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(fault.expected, std::nullopt) << "not an engine error: " << e.what();
        EXPECT_STREQ(e.what(), "not an engine error");
    }
    EXPECT_EQ(readAll(target_), original_);
    EXPECT_TRUE(strayFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, StreamedSaveFaultTest,
    ::testing::Values(
        StreamFault{"DiskFullAfterSomeChunks", true, {}, ErrorCode::WriteFailed, ""},
        StreamFault{"ContentFailsToRead", false,
                    [] { fail(ErrorCode::TruncatedContainer, "sector 9"); },
                    ErrorCode::TruncatedContainer, ""},
        StreamFault{"ContentErrorNamingItsFile", false,
                    [] { throw Error(ErrorCode::CorruptContainer, "source.xls", "sector 9"); },
                    ErrorCode::CorruptContainer, "source.xls"},
        StreamFault{"ContentThrowsSomethingElse", false,
                    [] { throw std::runtime_error("not an engine error"); }, std::nullopt, ""}),
    [](const auto& row) { return std::string(row.param.name); });

// A folder whose check fails for another reason than rights is not written to either.
TEST_F(AtomicFileTest, AFolderThatCannotBeCheckedIsNotWrittenTo) {
    fs::remove(target_);  // a new file: only the folder is checked
    FaultyCalls calls;
    calls.failing = "access";
    EXPECT_EQ(save(calls), ErrorCode::WriteFailed);
    EXPECT_EQ(calls.opens, 0);
    EXPECT_FALSE(fs::exists(target_));
}

TEST_F(AtomicFileTest, FailedVerificationKeepsTheOriginal) {
    FaultyCalls calls;
    EXPECT_EQ(save(calls, [](const fs::path&) { fail(ErrorCode::CorruptContainer, "bad"); }),
              ErrorCode::WriteFailed);
    EXPECT_EQ(readAll(target_), original_);
    EXPECT_TRUE(strayFiles().empty());
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

TEST_F(AtomicFileTest, CreatesAFileThatDidNotExist) {
    target_ = folder_ / "new.xls";
    FaultyCalls calls;
    EXPECT_EQ(save(calls), std::nullopt);
    EXPECT_EQ(readAll(target_), replacement_);
}

TEST_F(AtomicFileTest, AFolderIsNotAFileToSaveOver) {
    target_ = folder_ / "sub";
    fs::create_directories(target_);
    FaultyCalls calls;
    EXPECT_EQ(save(calls), ErrorCode::WriteFailed);
}

// Two files prepared, then committed: until commit neither original changes,
// and an uncommitted one vanishes without a trace.
TEST_F(AtomicFileTest, PreparedFilesChangeNothingUntilCommitted) {
    const fs::path other = folder_ / "other.xls";
    writeFileBytes(other, original_);
    {
        auto first = PendingFile::prepare(target_, replacement_);
        auto second = PendingFile::prepare(other, replacement_);
        EXPECT_EQ(readAll(target_), original_);
        EXPECT_EQ(readAll(other), original_);
        first.commit();
        EXPECT_EQ(readAll(target_), replacement_);
        // second goes out of scope uncommitted.
    }
    EXPECT_EQ(readAll(other), original_);
    EXPECT_TRUE(strayFiles().empty());
}

// A file marked read-only is refused whoever saves it, root included.
TEST_F(AtomicFileTest, AFileMarkedReadOnlyIsRefusedEvenForRoot) {
    fs::permissions(target_, fs::perms::owner_read | fs::perms::group_read);
    FaultyCalls calls;
    EXPECT_EQ(save(calls), ErrorCode::FileNotWritable);
    EXPECT_EQ(readAll(target_), original_);
    EXPECT_TRUE(strayFiles().empty());
}

// A real read-only folder; root ignores permission bits, so only as a normal user.
TEST_F(AtomicFileTest, RealReadOnlyFolderIsRefused) {
    if (::geteuid() == 0) GTEST_SKIP() << "running as root: permission bits are not enforced";
    fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    FaultyCalls calls;
    EXPECT_EQ(save(calls), ErrorCode::FileNotWritable);
    EXPECT_EQ(readAll(target_), original_);
}

// A real write failure midway, for any user: a file size limit makes the
// kernel refuse writes past 64 KB (EFBIG), as a full disk would.
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
    EXPECT_EQ(code, ErrorCode::WriteFailed);
    EXPECT_EQ(readAll(target_), original_);
    EXPECT_TRUE(strayFiles().empty());
}

}  // namespace
}  // namespace xls::io

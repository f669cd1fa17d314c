// Safe saving: each OS call failing in turn leaves the original byte-identical
// and no temporary file behind; read-only targets are refused before writing;
// links, permissions and two-file commits behave.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iterator>

#include "io/atomic_file.h"
#include "support/error_code_of.h"
#include "support/file_bytes.h"
#include "xls/error.h"

namespace xls::io {
namespace {

namespace fs = std::filesystem;

// The real calls, with one step made to fail (or writes made short).
class FaultyCalls final : public FileSystemCalls {
  public:
    std::string failing;  // "open", "write", "fsync", "close", "rename", "access", "fchmod"
    int error = EIO;
    int failAfter = 0;         // calls of that step that succeed first
    std::size_t maxWrite = 0;  // when set, writes take at most this many bytes
    bool writeReturnsZero = false;
    int opens = 0, unlinks = 0;

    int open(const char* path, int flags, mode_t mode) override {
        ++opens;
        return fails("open") ? -1 : systemCalls().open(path, flags, mode);
    }
    ssize_t write(int fd, const void* data, std::size_t size) override {
        if (fails("write")) return writeReturnsZero ? 0 : -1;
        return systemCalls().write(fd, data, maxWrite ? std::min(size, maxWrite) : size);
    }
    int fsync(int fd) override { return fails("fsync") ? -1 : systemCalls().fsync(fd); }
    int close(int fd) override {
        const int result = systemCalls().close(fd);  // the descriptor is gone either way
        return fails("close") ? -1 : result;
    }
    int rename(const char* from, const char* to) override {
        return fails("rename") ? -1 : systemCalls().rename(from, to);
    }
    int unlink(const char* path) override {
        ++unlinks;
        return systemCalls().unlink(path);
    }
    int access(const char* path, int mode) override {
        return fails("access") ? -1 : systemCalls().access(path, mode);
    }
    int fchmod(int fd, mode_t mode) override {
        return fails("fchmod") ? -1 : systemCalls().fchmod(fd, mode);
    }
    int fchown(int fd, uid_t owner, gid_t group) override {
        return systemCalls().fchown(fd, owner, group);
    }

  private:
    bool fails(const char* step) {
        if (failing != step) return false;
        if (failAfter-- > 0) return false;
        errno = error;
        return true;
    }
};

using tarnvale::testing::raisedCode;
using tarnvale::testing::writeFileBytes;
const auto readAll = tarnvale::testing::readFileBytes;

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("tarnvale-save-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        target_ = folder_ / "book.xls";
        writeFileBytes(target_, original_);
    }
    void TearDown() override {
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder_);
    }
    std::vector<fs::path> strayFiles() const {
        std::vector<fs::path> stray;
        for (const auto& item : fs::directory_iterator(folder_)) {
            if (item.path().filename().string().starts_with(".")) stray.push_back(item.path());
        }
        return stray;
    }
    std::optional<ErrorCode> save(FileSystemCalls& calls, const VerifyWrittenFile& verify = {}) {
        return raisedCode([&] { saveFileAtomically(target_, replacement_, verify, calls); });
    }

    fs::path folder_, target_;
    const std::vector<std::uint8_t> original_ = std::vector<std::uint8_t>(3000, 0x11);
    const std::vector<std::uint8_t> replacement_ = std::vector<std::uint8_t>(5000, 0x22);
};

TEST_F(AtomicFileTest, ReplacesTheFileAndLeavesNothingBehind) {
    FaultyCalls calls;
    calls.maxWrite = 7;  // short writes are completed
    fs::path seen;
    EXPECT_EQ(save(calls,
                   [&](const fs::path& written) {
                       seen = written;
                       EXPECT_EQ(readAll(written), replacement_);
                       EXPECT_EQ(written.parent_path(), folder_);
                   }),
              std::nullopt);
    EXPECT_EQ(readAll(target_), replacement_);
    EXPECT_TRUE(strayFiles().empty());
    EXPECT_NE(seen.filename().string().find(".book.xls.tarnvale-"), std::string::npos);
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
    // A read-only target is refused before anything is written.
    if (calls.failing == "access") {
        EXPECT_EQ(calls.opens, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AtomicFileFaultTest,
    ::testing::Values(
        Fault{"OpenFails", "open", EIO, 0, false, ErrorCode::WriteFailed},
        Fault{"OpenRefused", "open", EACCES, 0, false, ErrorCode::FileNotWritable},
        Fault{"DiskFullAtOnce", "write", ENOSPC, 0, false, ErrorCode::WriteFailed},
        Fault{"DiskFullMidway", "write", ENOSPC, 2, false, ErrorCode::WriteFailed},
        Fault{"WriteTakesNothing", "write", 0, 1, true, ErrorCode::WriteFailed},
        Fault{"PermissionsCopyFails", "fchmod", EIO, 0, false, ErrorCode::WriteFailed},
        Fault{"FlushFails", "fsync", EIO, 0, false, ErrorCode::WriteFailed},
        Fault{"CloseFails", "close", EIO, 0, false, ErrorCode::WriteFailed},
        Fault{"RenameFails", "rename", EXDEV, 0, false, ErrorCode::WriteFailed},
        Fault{"ReadOnlyFolder", "access", EACCES, 0, false, ErrorCode::FileNotWritable},
        Fault{"ReadOnlyFile", "access", EROFS, 1, false, ErrorCode::FileNotWritable}),
    [](const auto& row) { return std::string(row.param.name); });

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

TEST_F(AtomicFileTest, KeepsThePermissionBits) {
    fs::permissions(target_,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    FaultyCalls calls;
    EXPECT_EQ(save(calls), std::nullopt);
    EXPECT_EQ(fs::status(target_).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
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
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    FaultyCalls calls;
    EXPECT_EQ(save(calls), ErrorCode::FileNotWritable);
    EXPECT_EQ(readAll(target_), original_);
}

// A real full disk: a small tmpfs, where only root may mount one. Skipped
// where mounting is not allowed.
TEST_F(AtomicFileTest, RealFullDiskKeepsTheOriginal) {
    const fs::path disk = folder_ / "disk";
    fs::create_directories(disk);
    if (::geteuid() != 0 || ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=128k") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    const fs::path book = disk / "book.xls";
    writeFileBytes(book, original_);
    const std::vector<std::uint8_t> tooBig(1 << 20, 0x44);
    EXPECT_EQ(raisedCode([&] { saveFileAtomically(book, tooBig); }), ErrorCode::WriteFailed);
    EXPECT_EQ(readAll(book), original_);
    EXPECT_EQ(std::distance(fs::directory_iterator(disk), fs::directory_iterator()), 1);
    ::umount2(disk.c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace xls::io

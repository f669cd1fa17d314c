#include "io/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

#include "io/file_sink.h"
#include "xls/error.h"

namespace xls::io {

namespace {

constexpr int kMaxLinkHops = 40;

[[noreturn]] void failWrite(const std::filesystem::path& target, const std::string& step, int err) {
    throw Error(ErrorCode::WriteFailed, target.string(), step + ": " + std::strerror(err));
}

bool isPermissionError(int err) {
    return err == EACCES || err == EPERM || err == EROFS;
}

// Refuses before anything is written when the folder or the file is read-only.
void checkWritable(const std::filesystem::path& target, const std::filesystem::path& folder,
                   bool exists, FileSystemCalls& calls) {
    if (calls.access(folder.c_str(), W_OK) != 0) {
        const int err = errno;
        if (isPermissionError(err)) {
            throw Error(ErrorCode::FileNotWritable, target.string(),
                        "folder: " + std::string(std::strerror(err)));
        }
        failWrite(target, "folder " + folder.string(), err);
    }
    if (exists && calls.access(target.c_str(), W_OK) != 0) {
        const int err = errno;
        if (isPermissionError(err)) {
            throw Error(ErrorCode::FileNotWritable, target.string(), std::strerror(err));
        }
        failWrite(target, "checking the file", err);
    }
}

// Creates the temporary file ".NAME.tarnvale-XXXXXX" beside the target; the
// name is new (O_EXCL), so it never reuses a file someone else made.
int createTemporary(const std::filesystem::path& target, const std::filesystem::path& folder,
                    std::filesystem::path& temporary, FileSystemCalls& calls) {
    std::string pattern =
        (folder / ("." + target.filename().string() + ".tarnvale-XXXXXX")).string();
    const int fd = calls.mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0) {
        temporary = pattern;
        return fd;
    }
    const int err = errno;
    if (isPermissionError(err)) {
        throw Error(ErrorCode::FileNotWritable, target.string(), std::strerror(err));
    }
    failWrite(target, "creating the temporary file", err);
}

// The permissions a new file gets from open(..., 0666): what the umask leaves.
// The umask is read from /proc, since setting it to learn it would race with
// other threads creating files; without /proc, owner read-write, others read.
mode_t newFileMode() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Umask:"))
            return 0666 & ~static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    }
    return 0644;
}

}  // namespace

std::filesystem::path resolveSymbolicLinks(const std::filesystem::path& path) {
    std::filesystem::path current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, error)))
            return current;
        const std::filesystem::path next = std::filesystem::read_symlink(current, error);
        if (error) return current;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    failWrite(path, "following symbolic links", ELOOP);
}

PendingFile PendingFile::prepare(const std::filesystem::path& requested,
                                 const WriteFileContent& writeContent,
                                 const VerifyWrittenFile& verify, FileSystemCalls& calls) {
    const std::filesystem::path target = resolveSymbolicLinks(requested);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";

    struct stat original {};
    const bool exists = calls.stat(target.c_str(), &original) == 0;
    if (exists && !S_ISREG(original.st_mode)) failWrite(target, "not a regular file", EISDIR);
    checkWritable(target, folder, exists, calls);
    // A file marked read-only stays so even for a user whose rights would let the
    // rename replace it (root): the mark is the owner's wish.
    if (exists && (original.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        throw Error(ErrorCode::FileNotWritable, target.string(), "the file is marked read-only");
    }

    std::filesystem::path temporary;
    const int fd = createTemporary(target, folder, temporary, calls);
    // From here on the temporary file exists: whatever fails removes it.
    PendingFile pending(target, temporary, calls);
    int open = fd;
    try {
        FileSink sink(fd, target, calls);
        try {
            writeContent(sink);
        } catch (const Error& e) {
            if (e.file().empty()) throw e.withFile(target.string());
            throw;
        }
        sink.flush();
        // The temporary file was made private (0600); it takes the original's
        // permissions, or a new file's.
        if (calls.fchmod(fd, exists ? original.st_mode & 07777 : newFileMode()) != 0)
            failWrite(target, "copying permissions", errno);
        // Only a privileged process may give the file away; a failure keeps our ownership.
        if (exists) (void)calls.fchown(fd, original.st_uid, original.st_gid);
        if (calls.fsync(fd) != 0) failWrite(target, "flushing to disk", errno);
        struct stat written {};
        if (calls.fstat(fd, &written) != 0) failWrite(target, "examining the new file", errno);
        pending.written_ = FileIdentity::of(written);
        open = -1;
        if (calls.close(fd) != 0) failWrite(target, "closing", errno);
    } catch (...) {
        if (open >= 0) calls.close(open);
        throw;
    }
    if (verify) {
        try {
            verify(temporary);
        } catch (const Error& e) {
            throw Error(
                ErrorCode::WriteFailed, target.string(),
                "the written file did not read back: " + std::string(e.what()) + " " + e.context());
        } catch (const std::exception& e) {
            throw Error(ErrorCode::WriteFailed, target.string(),
                        "the written file did not read back: " + std::string(e.what()));
        }
    }
    return pending;
}

PendingFile PendingFile::prepare(const std::filesystem::path& target,
                                 std::span<const std::uint8_t> bytes,
                                 const VerifyWrittenFile& verify, FileSystemCalls& calls) {
    return prepare(
        target, [bytes](ByteSink& out) { out.write(bytes); }, verify, calls);
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      calls_(other.calls_),
      written_(other.written_) {
    other.temporary_.clear();
}

PendingFile::~PendingFile() {
    discard();
}

void PendingFile::discard() noexcept {
    if (temporary_.empty()) return;
    calls_->unlink(temporary_.c_str());
    temporary_.clear();
}

void PendingFile::checkOriginal(const FileIdentity& expected) const {
    const std::optional<FileIdentity> now = currentIdentity(target_, *calls_);
    if (now != expected) {
        throw Error(ErrorCode::FileChangedSinceOpened, target_.string(),
                    describeChange(expected, now));
    }
}

void PendingFile::commit() {
    if (temporary_.empty()) throw std::logic_error("PendingFile::commit: nothing to commit");
    if (calls_->rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        discard();
        failWrite(target_, "replacing the file", err);
    }
    temporary_.clear();
    // Make the rename itself durable. The new file is in place whatever this
    // reports, so a failure here is not a failed save.
    std::filesystem::path folder = target_.parent_path();
    if (folder.empty()) folder = ".";
    const int fd = calls_->open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd >= 0) {
        (void)calls_->fsync(fd);
        (void)calls_->close(fd);
    }
}

void saveFileAtomically(const std::filesystem::path& target, const WriteFileContent& writeContent,
                        const VerifyWrittenFile& verify, FileSystemCalls& calls) {
    PendingFile::prepare(target, writeContent, verify, calls).commit();
}

void saveFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                        const VerifyWrittenFile& verify, FileSystemCalls& calls) {
    PendingFile::prepare(target, bytes, verify, calls).commit();
}

}  // namespace xls::io

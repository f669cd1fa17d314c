// xls::EditLock: an flock on ".NAME.tarnvale-lock" beside the workbook. The
// lock file is removed on release, so a process that waited on it may end up
// holding a file no longer in the folder while a third process created a new
// one; after locking, each process therefore checks that the path still names
// the file it locked, and locks afresh when it does not.
#include "xls/edit_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "io/atomic_file.h"
#include "xls/error.h"

namespace xls {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kFirstPause{1};
constexpr std::chrono::milliseconds kLongestPause{20};

std::filesystem::path folderOf(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

EditLock::Place placeOfTarget(const std::filesystem::path& target) {
    EditLock::Place place;
    place.name = target.filename().string();
    struct stat folder {};
    if (::stat(folderOf(target).c_str(), &folder) == 0) {
        place.device = static_cast<std::uint64_t>(folder.st_dev);
        place.inode = static_cast<std::uint64_t>(folder.st_ino);
    } else {
        place.name = std::filesystem::absolute(target).lexically_normal().string();
    }
    return place;
}

std::filesystem::path lockFileOf(const std::filesystem::path& target) {
    return folderOf(target) / ("." + target.filename().string() + ".tarnvale-lock");
}

// Whether path still names the file open at fd.
bool stillNamed(int fd, const std::filesystem::path& path) {
    struct stat open {
    }, named{};
    return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

bool lockingUnsupported(int err) {
    return err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS || err == EINVAL || err == EBADF;
}

}  // namespace

EditLock::Place EditLock::placeOf(const std::filesystem::path& workbook) {
    return placeOfTarget(io::resolveSymbolicLinks(workbook));
}

EditLock EditLock::acquire(const std::filesystem::path& workbook, std::chrono::milliseconds wait) {
    const std::filesystem::path target = io::resolveSymbolicLinks(workbook);
    Place place = placeOfTarget(target);
    const std::filesystem::path lockFile = lockFileOf(target);
    const Clock::time_point deadline = Clock::now() + wait;
    std::chrono::milliseconds pause = kFirstPause;
    for (;;) {
        const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        // No lock file can stand here (a read-only folder): nothing to hold.
        if (fd < 0) return EditLock(std::move(place), lockFile, -1);
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (stillNamed(fd, lockFile)) return EditLock(std::move(place), lockFile, fd);
            ::close(fd);  // its holder removed it as we locked it: lock the one there now
            continue;
        }
        const int err = errno;
        ::close(fd);
        if (lockingUnsupported(err)) {
            ::unlink(lockFile.c_str());
            return EditLock(std::move(place), lockFile, -1);
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            throw Error(ErrorCode::FileLocked, target.string(),
                        "locked by another process past " + std::to_string(wait.count()) +
                            " ms: " + lockFile.string());
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, kLongestPause);
    }
}

std::pair<EditLock, EditLock> EditLock::acquireBoth(const std::filesystem::path& first,
                                                    const std::filesystem::path& second,
                                                    std::chrono::milliseconds wait) {
    const Place firstPlace = placeOf(first);
    const Place secondPlace = placeOf(second);
    if (firstPlace == secondPlace) return {acquire(first, wait), EditLock()};
    if (firstPlace < secondPlace) {
        EditLock a = acquire(first, wait);
        return {std::move(a), acquire(second, wait)};
    }
    EditLock b = acquire(second, wait);
    return {acquire(first, wait), std::move(b)};
}

EditLock::EditLock(EditLock&& other) noexcept
    : place_(std::move(other.place_)), lockFile_(std::move(other.lockFile_)), fd_(other.fd_) {
    other.fd_ = -1;
}

EditLock& EditLock::operator=(EditLock&& other) noexcept {
    if (this != &other) {
        release();
        place_ = std::move(other.place_);
        lockFile_ = std::move(other.lockFile_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

EditLock::~EditLock() {
    release();
}

bool EditLock::isFor(const std::filesystem::path& workbook) const {
    return !lockFile_.empty() && placeOf(workbook) == place_;
}

void EditLock::release() noexcept {
    if (fd_ < 0) return;
    // Removed while still locked: whoever locks it next finds it gone and locks afresh.
    ::unlink(lockFile_.c_str());
    ::close(fd_);
    fd_ = -1;
}

}  // namespace xls

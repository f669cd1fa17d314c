// One writer at a time per workbook. Every Tarnvale process that edits a
// workbook takes its edit lock (an flock on a lock file beside the workbook,
// ".NAME.tarnvale-lock", removed on release) and keeps it from reading the
// workbook until its new file has replaced it. A second process waits a short,
// bounded time for it, then reads the file afresh; past the wait it is refused.
//
// The lock is advisory: it orders Tarnvale processes. Other programs are seen
// by the check made just before a save replaces the file (was it changed since
// it was read?) and by their own lock files (see Workbook::save).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

namespace xls {

class EditLock {
  public:
    static constexpr std::chrono::milliseconds kDefaultWait{10'000};

    // Where a workbook stands, as the order of locking sees it: the folder's
    // device and inode, then the name. Stable while the file is replaced.
    struct Place {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::string name;
        auto operator<=>(const Place&) const = default;
    };
    // The place of the workbook at path (symbolic links followed). A process
    // holding one lock may wait for another only if it comes later in this
    // order; out of order it takes the lock only if it is free at once (wait 0).
    static Place placeOf(const std::filesystem::path& workbook);

    // Takes the lock of the workbook at path (symbolic links followed), waiting
    // up to wait while another process holds it. Raises Error(FileLocked)
    // naming the workbook past the wait. Where the folder can hold no lock file
    // (read-only, or a network file system without locking) the lock holds
    // nothing: a save there is refused as read-only, or goes ahead with only
    // the check that the file is still the one that was read.
    static EditLock acquire(const std::filesystem::path& workbook,
                            std::chrono::milliseconds wait = kDefaultWait);

    // Locks two workbooks in one order that every process agrees on (the
    // folder's device and inode, then the file name), so two processes locking
    // the same pair crosswise (two opposite moves) never wait on each other.
    // The results come back in the order asked. The same workbook twice gives
    // its lock and an empty one.
    static std::pair<EditLock, EditLock> acquireBoth(const std::filesystem::path& first,
                                                     const std::filesystem::path& second,
                                                     std::chrono::milliseconds wait = kDefaultWait);

    EditLock() = default;  // holds nothing
    EditLock(EditLock&& other) noexcept;
    EditLock& operator=(EditLock&& other) noexcept;
    EditLock(const EditLock&) = delete;
    EditLock& operator=(const EditLock&) = delete;
    ~EditLock();

    // Whether a lock is held (false where the folder could hold no lock file).
    bool held() const { return fd_ >= 0; }
    // Whether this lock was taken for the workbook at path, held or not.
    bool isFor(const std::filesystem::path& workbook) const;
    // Releases the lock (and removes its file) now rather than at destruction.
    void release() noexcept;

  private:
    EditLock(Place place, std::filesystem::path lockFile, int fd)
        : place_(std::move(place)), lockFile_(std::move(lockFile)), fd_(fd) {}

    Place place_;
    std::filesystem::path lockFile_;
    int fd_ = -1;
};

}  // namespace xls

#include "io/file_identity.h"

#include <fcntl.h>

namespace xls::io {

FileIdentity FileIdentity::of(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec),
            static_cast<std::int64_t>(info.st_mtim.tv_nsec)};
}

std::optional<FileIdentity> currentIdentity(const std::filesystem::path& path,
                                            FileSystemCalls& calls) {
    const int fd = calls.open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    const bool known = calls.fstat(fd, &info) == 0;
    (void)calls.close(fd);
    if (!known) return std::nullopt;
    return FileIdentity::of(info);
}

std::string describeChange(const FileIdentity& then, const std::optional<FileIdentity>& now) {
    if (!now) return "the file is gone";
    if (now->device != then.device || now->inode != then.inode)
        return "another file now stands at its path";
    if (now->size != then.size)
        return "size " + std::to_string(then.size) + " -> " + std::to_string(now->size);
    return "written again (modification time " + std::to_string(then.modifiedSeconds) + "." +
           std::to_string(then.modifiedNanoseconds) + " -> " +
           std::to_string(now->modifiedSeconds) + "." + std::to_string(now->modifiedNanoseconds) +
           ")";
}

}  // namespace xls::io

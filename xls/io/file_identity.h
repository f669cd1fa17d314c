// What a workbook file was when it was read: which file (device and inode), how
// long, and when it was last written. A save compares it with what the path
// names just before replacing the file, so it never discards a change that
// another program saved in between.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "io/file_system_calls.h"

namespace xls::io {

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;

    static FileIdentity of(const struct stat& info);
};

// The identity of the file at path now, or nullopt when there is none (or it
// cannot be opened). The file is opened and examined through the descriptor:
// a network file system then asks its server rather than answering from the
// attributes it cached.
std::optional<FileIdentity> currentIdentity(const std::filesystem::path& path,
                                            FileSystemCalls& calls = systemCalls());

// How now differs from then, for an error's context ("size 3000 -> 5000").
std::string describeChange(const FileIdentity& then, const std::optional<FileIdentity>& now);

}  // namespace xls::io

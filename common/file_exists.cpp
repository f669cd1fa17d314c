#include "file_exists.h"

#include <filesystem>
#include <system_error>

namespace tarnvale {

bool FileExists(const std::string& path) noexcept {
    try {
        if (path.empty()) return false;
        std::error_code error;
        const std::filesystem::path target(path);
        // A folder has a modification time too, but it is never a workbook: a
        // path typed up to a folder must not start a listing.
        if (std::filesystem::is_directory(target, error)) return false;
        [[maybe_unused]] const auto modified = std::filesystem::last_write_time(target, error);
        return !error;
    } catch (...) {
        return false;
    }
}

bool SameFile(const std::string& a, const std::string& b) noexcept {
    try {
        std::error_code error;
        const bool same = std::filesystem::equivalent(a, b, error);
        return same && !error;
    } catch (...) {
        return false;
    }
}

}  // namespace tarnvale

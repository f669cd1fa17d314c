#pragma once

#include <string>

namespace tarnvale {

// True when path (UTF-8) names an existing file whose modification time can be
// read; false for the empty string, a folder, a missing path or any error.
// Never throws.
bool FileExists(const std::string& path) noexcept;

// True when both paths (UTF-8) lead to one existing file, through links and
// other spellings of the same path. Never throws.
bool SameFile(const std::string& a, const std::string& b) noexcept;

}  // namespace tarnvale

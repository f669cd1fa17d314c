// The corpus workbooks for data-driven engine tests, and their workbook stream.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace xls::testing {

// File names (.xls, .xlt) in the corpus folder, sorted.
std::vector<std::string> corpusWorkbooks();
std::filesystem::path corpusPath(const std::string& name);

// The workbook stream's bytes, or nullopt when the container cannot be read or
// holds no workbook stream.
std::optional<std::vector<std::uint8_t>> readWorkbookStreamBytes(const std::filesystem::path& path);

// A name gtest accepts as a parameter name.
std::string testNameOf(const std::string& fileName);

}  // namespace xls::testing

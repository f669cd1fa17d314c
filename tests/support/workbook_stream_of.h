// The workbook stream held in a compound file, for tests that look inside what
// the engine wrote or what the corpus holds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "cfb/compound_file.h"
#include "io/byte_source.h"
#include "model/stream_location.h"
#include "xls/error.h"

namespace tarnvale::testing {

// The workbook stream of compound-file bytes; throws xls::Error when there is none.
inline std::vector<std::uint8_t> workbookStreamOf(std::vector<std::uint8_t> file) {
    const auto container =
        xls::cfb::CompoundFile::open(std::make_shared<xls::io::MemorySource>(std::move(file)));
    return container.readStream(xls::model::findWorkbookStream(container).id);
}

// The workbook stream of a file, or nothing when its container cannot be read
// or holds no workbook stream.
inline std::optional<std::vector<std::uint8_t>> readWorkbookStreamBytes(
    const std::filesystem::path& path) {
    try {
        const auto file = xls::cfb::CompoundFile::open(std::make_shared<xls::io::FileSource>(path));
        return file.readStream(xls::model::findWorkbookStream(file).id);
    } catch (const xls::Error&) {
        return std::nullopt;
    }
}

}  // namespace tarnvale::testing

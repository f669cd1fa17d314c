// The modules a VBA project lists in its decompressed dir stream ([MS-OVBA]
// 2.3.4.2): for each, its name, the stream that holds it and where in that
// stream its compressed source text begins.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace xls::vba {

struct ModuleEntry {
    std::string name;              // MODULENAMEUNICODE when present, else MODULENAME; UTF-8
    std::u16string stream;         // MODULESTREAMNAME, the stream in the VBA storage
    std::uint32_t textOffset = 0;  // MODULEOFFSET
};

// Raises Error CorruptWorkbook for a record that runs past the end or a module
// without a stream name or offset.
std::vector<ModuleEntry> readProjectModules(std::span<const std::uint8_t> dir);

}  // namespace xls::vba

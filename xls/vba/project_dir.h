// The modules a VBA project lists in its decompressed dir stream ([MS-OVBA]
// 2.3.4.2): for each, its name, the stream that holds it, where in that
// stream its compressed source text begins, and where its records lie in the
// dir stream; and the dir stream without one of them.
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
    std::string mbcsName;          // MODULENAME as stored, in the project's code page
    std::size_t recordsBegin = 0;  // its MODULENAME record
    std::size_t recordsEnd = 0;    // one past its module terminator
};

// Raises Error CorruptWorkbook for a record that runs past the end or a module
// without a stream name or offset.
std::vector<ModuleEntry> readProjectModules(std::span<const std::uint8_t> dir);

// The dir stream with the module's records gone and the module count of
// PROJECTMODULES one less. Raises CorruptWorkbook when the stream has no
// module count or its count is already 0.
std::vector<std::uint8_t> dirWithoutModule(std::span<const std::uint8_t> dir,
                                           const ModuleEntry& module);

}  // namespace xls::vba

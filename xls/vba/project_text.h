// The text streams of a VBA project: PROJECT ([MS-OVBA] 2.3.1), its
// properties line by line, and PROJECTwm (2.3.3), the module names in both
// encodings. Whether the project is locked, and both streams without a
// document module.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace xls::vba {

// True when the PROJECT text says the project is protected (CMG), has a
// password (DPB) or is hidden from view (GC). A property that is absent
// locks nothing. Raises CorruptWorkbook for a value that cannot be decrypted.
bool projectLocked(std::span<const std::uint8_t> project);

// The PROJECT text without the module's "Document=" line and its line in the
// [Workspace] section; mbcsName is the module's name as the dir stream stores
// it. Raises CorruptWorkbook when the text lists no such document module.
std::vector<std::uint8_t> projectWithoutDocument(std::span<const std::uint8_t> project,
                                                 std::string_view mbcsName);

// PROJECTwm without the module's entry (kept whole when it has none). Raises
// CorruptWorkbook for an entry that is not terminated.
std::vector<std::uint8_t> nameMapWithoutModule(std::span<const std::uint8_t> nameMap,
                                               std::string_view mbcsName);

}  // namespace xls::vba

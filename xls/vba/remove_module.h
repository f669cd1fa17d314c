// A deleted sheet's document module taken out of the workbook's VBA project:
// its MODULE records out of the dir stream (recompressed), its lines out of
// PROJECT and PROJECTwm, its stream removed. The application then has to
// rebuild its caches from the modules' source, so the _VBA_PROJECT stream is
// written as the interoperable seven bytes (version 0xFFFF, no cache) and the
// __SRP_ cache streams go.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string_view>
#include <vector>

#include "cfb/compound_file.h"

namespace xls::vba {

struct ProjectEdits {
    std::map<std::uint32_t, std::vector<std::uint8_t>> streams;  // new bytes by directory id
    std::set<std::uint32_t> removals;                            // entries to leave out
};

// The edits that take the module named codeName (the sheet's CodeName) out of
// the project; none when the workbook has no project or the project no such
// module. edited: the streams earlier edits replaced, read in place of the
// stored ones. Raises UnsupportedOperation, with a context that says why,
// when the project is locked or cannot be read; changes nothing itself.
ProjectEdits planDocumentModuleRemoval(
    const cfb::CompoundFile& container,
    const std::map<std::uint32_t, std::vector<std::uint8_t>>& edited, std::string_view codeName);

}  // namespace xls::vba

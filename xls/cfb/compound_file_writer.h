// Writes a new compound file from an opened one: every storage and stream the
// original's tree reaches, with names, class ids, state bits and times, and the
// streams' bytes; some streams replaced, some entries removed. The layout is
// rebuilt from scratch: FAT, DIFAT sectors when the FAT outgrows the header,
// directory, MiniFAT and mini stream, then the larger streams each in one run.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "cfb/compound_file.h"

namespace xls::cfb {

// replacements: new bytes for streams, by the original's directory id.
// removals: entries to leave out, by directory id (a storage goes with all it holds).
// The new file has the original's sector size (512: version 3, 4096: version 4);
// streams under 4096 bytes go to the mini stream. Entries keep their order within
// each storage; the trees are rebuilt balanced, all black.
// Raises what reading the original raises (CorruptContainer, TruncatedContainer,
// FileUnreadable); std::invalid_argument for an id that is not a stream of the
// tree (replacements) or not an entry of it (removals, or the root).
std::vector<std::uint8_t> rewriteCompoundFile(
    const CompoundFile& original,
    const std::map<std::uint32_t, std::vector<std::uint8_t>>& replacements,
    const std::set<std::uint32_t>& removals = {});

}  // namespace xls::cfb

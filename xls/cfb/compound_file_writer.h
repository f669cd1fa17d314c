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
#include "io/byte_rope.h"

namespace xls::cfb {

// replacements: new bytes for streams, by the original's directory id.
// removals: entries to leave out, by directory id (a storage goes with all it holds).
// The new file has the original's sector size (512: version 3, 4096: version 4);
// streams under 4096 bytes go to the mini stream. Entries keep their order within
// each storage; the trees are rebuilt balanced, all black.
//
// The file is written front to back as it is produced: the tables and the mini
// stream are built in memory, then each larger stream goes from its rope or from
// the original straight to out, so a large file is never held whole.
// Raises what reading the original raises (CorruptContainer, TruncatedContainer,
// FileUnreadable) and what out raises; WriteFailed when the new file would be
// too large, or when a stream gives more or fewer bytes than were planned (out
// has then received part of a file, which the caller discards);
// std::invalid_argument for an id that is not a stream of the tree
// (replacements) or not an entry of it (removals, or the root). Everything the
// arguments and the original's layout can be refused for is refused before
// the first byte goes to out.
void writeCompoundFile(const CompoundFile& original,
                       const std::map<std::uint32_t, io::ByteRope>& replacements,
                       const std::set<std::uint32_t>& removals, io::ByteSink& out);

// writeCompoundFile into memory.
std::vector<std::uint8_t> rewriteCompoundFile(
    const CompoundFile& original,
    const std::map<std::uint32_t, std::vector<std::uint8_t>>& replacements,
    const std::set<std::uint32_t>& removals = {});

}  // namespace xls::cfb

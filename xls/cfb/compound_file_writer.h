// Writes a new compound file from an opened one: every storage and stream the
// original's tree reaches, with names, class ids, state bits and times, and the
// streams' bytes; some streams replaced, some entries removed, some added
// under the root (copied from other compound files, or new streams). The layout is
// rebuilt from scratch: FAT, DIFAT sectors when the FAT outgrows the header,
// directory, MiniFAT and mini stream, then the larger streams each in one run.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cfb/compound_file.h"
#include "io/byte_rope.h"

namespace xls::cfb {

// An entry added to the root storage under name: a storage of another
// compound file with all it holds, or a stream of it, keeping class ids,
// state bits, times and bytes; or, with no file, a new stream of bytes.
struct Addition {
    std::u16string name;
    std::shared_ptr<const CompoundFile> file;
    std::uint32_t id = 0;  // the entry in file
    io::ByteRope bytes;    // the new stream's bytes, when there is no file
};

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

// The same with additions, placed among the root's children by name. Raises
// std::invalid_argument for an addition whose name is empty, longer than 31
// units, or equal (case-blind) to another child of the root, or whose entry
// is not a storage or stream its file's tree reaches; what reading its file
// raises, as for the original.
void writeCompoundFile(const CompoundFile& original,
                       const std::map<std::uint32_t, io::ByteRope>& replacements,
                       const std::set<std::uint32_t>& removals,
                       const std::vector<Addition>& additions, io::ByteSink& out);

// writeCompoundFile into memory.
std::vector<std::uint8_t> rewriteCompoundFile(
    const CompoundFile& original,
    const std::map<std::uint32_t, std::vector<std::uint8_t>>& replacements,
    const std::set<std::uint32_t>& removals = {}, const std::vector<Addition>& additions = {});

}  // namespace xls::cfb

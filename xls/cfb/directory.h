// The directory of a compound file ([MS-CFB] 2.6): 128-byte entries parsed
// into DirectoryEntry, and the red-black trees of each storage checked and
// flattened into child lists.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "cfb/compound_file.h"

namespace xls::cfb {

// Parses every entry in the directory sectors. majorVersion 3 ignores the
// high half of the stream size, as version 3 files may leave garbage there.
std::vector<DirectoryEntry> parseDirectory(std::span<const std::uint8_t> bytes,
                                           std::uint16_t majorVersion);

// Walks the tree from the root (entry 0): every link in range, no entry reached
// twice (so no cycle), only storages and streams below the root. Returns, per
// entry id, the ids of its children in tree order (empty for streams and for
// entries the tree does not reach). Raises CorruptContainer.
std::vector<std::vector<std::uint32_t>> buildChildLists(const std::vector<DirectoryEntry>& entries);

}  // namespace xls::cfb

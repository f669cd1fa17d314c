// The directory of a rewritten compound file: which entries of the original it
// keeps, which it adds from other files, their new ids, and the balanced trees
// that link each storage's children.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "cfb/compound_file.h"
#include "cfb/compound_file_writer.h"
#include "io/byte_rope.h"

namespace xls::cfb {

struct PlannedEntry {
    const CompoundFile* file = nullptr;  // where the entry comes from; none: a new stream
    std::uint32_t originalId = 0;        // its id there
    std::u16string name;
    const io::ByteRope* replacement = nullptr;  // else the bytes in file
    std::uint64_t size = 0;                     // streams only
    std::vector<std::uint32_t> children;        // new ids, in compound-file order
    std::uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
};

// New entries, the root first; each storage's children get consecutive ids in
// compound-file order (shorter names first, then case-blind), and each child
// tree is balanced. Raises std::invalid_argument for a replacement that is not a
// stream of the tree, a removal that is not an entry of it (or is the root),
// or an addition writeCompoundFile refuses.
std::vector<PlannedEntry> planDirectory(const CompoundFile& original,
                                        const std::map<std::uint32_t, io::ByteRope>& replacements,
                                        const std::set<std::uint32_t>& removals,
                                        const std::vector<Addition>& additions);

}  // namespace xls::cfb

// Old-to-new index vectors, shared by every merge of one workbook's tables into
// another's: entry i is the destination index of source index i.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

namespace xls::ops {

using IndexMap = std::vector<std::uint32_t>;

namespace copy {

using ops::IndexMap;

// The entry of a source index the copy does not need.
inline constexpr std::uint32_t kUnmapped = std::numeric_limits<std::uint32_t>::max();

inline bool isMapped(const IndexMap& map, std::size_t index) {
    return index < map.size() && map[index] != kUnmapped;
}

}  // namespace copy
}  // namespace xls::ops

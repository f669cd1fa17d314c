// Old-to-new index maps, one per table a copy merges into the destination:
// entry i holds the destination's index for the source's index i.
#pragma once

#include <cstdint>
#include <vector>

namespace xls::ops {

using IndexMap = std::vector<std::uint32_t>;

}  // namespace xls::ops

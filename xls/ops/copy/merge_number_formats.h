// The number formats of a copied sheet merged into the destination's: a
// format the source stores maps to the destination format with the same
// string, or to a new custom identifier; a built-in format (not stored) keeps
// its identifier, which means the same format in every workbook.
#pragma once

#include <vector>

#include "model/records/number_format.h"
#include "model/tables/number_formats.h"
#include "ops/copy/index_map.h"

namespace xls::ops::copy {

// Format records a workbook may hold.
inline constexpr std::size_t kMaxNumberFormats = 218;

struct NumberFormatMerge {
    IndexMap ifmts;  // source ifmt -> destination ifmt; kUnmapped where not needed
    std::vector<model::records::NumberFormat> added;  // to append, in order
};

// needed is indexed by source ifmt. A custom identifier the source does not
// store maps to General (0). Raises TooManyFormats when no custom identifier
// is left or the table would pass kMaxNumberFormats.
NumberFormatMerge planNumberFormatMerge(const model::tables::NumberFormatTable& source,
                                        const model::tables::NumberFormatTable& destination,
                                        const std::vector<bool>& needed);

}  // namespace xls::ops::copy

// The fonts of a copied sheet merged into the destination's font table: each
// font the copy needs maps to an equal destination font (its colour
// translated to the destination's palette), or to a font appended for it.
#pragma once

#include <vector>

#include "model/records/font.h"
#include "model/tables/fonts.h"
#include "ops/copy/index_map.h"
#include "ops/copy/merge_palette.h"

namespace xls::ops::copy {

// Font records a workbook may hold (the globals hold at most 510).
inline constexpr std::size_t kMaxFonts = 510;

struct FontMerge {
    IndexMap fonts;  // source FontIndex -> destination FontIndex; kUnmapped where not needed
    std::vector<model::records::Font> added;  // to append, in order
};

// needed is indexed by source FontIndex. A needed index that names no font
// maps to font 0. Raises TooManyFormats when the fonts to add would take the
// table past kMaxFonts.
FontMerge planFontMerge(const model::tables::FontTable& source,
                        const model::tables::FontTable& destination,
                        const std::vector<bool>& needed, const ColourMerge& colours);

}  // namespace xls::ops::copy

// Colours of a copied sheet kept by value: each colour slot (Icv) the source
// uses maps to a destination slot holding the same colour; a colour the
// destination's palette lacks takes a slot the destination does not use, and
// when none is left, the nearest colour the palette has.
#pragma once

#include <cstdint>
#include <vector>

#include "model/records/palette.h"
#include "ops/copy/index_map.h"

namespace xls::ops::copy {

struct ColourMerge {
    model::records::Palette source;       // the source's colours
    model::records::Palette destination;  // the destination's colours after the merge
    IndexMap icvs;  // source Icv (0-63) -> destination Icv; kUnmapped where not needed
    bool paletteChanged = false;
};

// needed and inUse are indexed by Icv (0-63; shorter vectors mean false):
// the source colours to carry, and the destination slots something refers to.
// A slot whose colour is not the default one counts as used, since records
// outside the globals (tab colours, charts) may hold it.
ColourMerge planColourMerge(const model::records::Palette& source,
                            const model::records::Palette& destination,
                            const std::vector<bool>& needed, const std::vector<bool>& inUse);

// The destination Icv of a source Icv: the planned slot, the nearest colour
// for one not planned, and system colours (64 on) unchanged.
std::uint16_t translateColour(const ColourMerge& merge, std::uint16_t sourceIcv);

// The slot (8-63) whose colour lies nearest this one; the lowest on a tie.
std::uint16_t nearestColour(const model::records::Palette& palette, model::records::Rgb colour);

}  // namespace xls::ops::copy

#include "ops/copy/merge_palette.h"

#include <array>
#include <limits>
#include <optional>

namespace xls::ops::copy {

namespace {

using model::records::kFirstPaletteIcv;
using model::records::kPaletteEnd;
using model::records::Palette;
using model::records::Rgb;

constexpr std::uint16_t kFixedColours = 8;

bool flagged(const std::vector<bool>& flags, std::size_t index) {
    return index < flags.size() && flags[index];
}

// The order in which free slots are taken: the slots charts use for their
// automatic series colours (24-39) and the basic colours (8-15) last or never.
constexpr auto kFreeSlotOrder = [] {
    std::array<std::uint16_t, 48> order{};
    std::size_t at = 0;
    for (std::uint16_t icv = 63; icv >= 40; --icv) order[at++] = icv;
    for (std::uint16_t icv = 23; icv >= 16; --icv) order[at++] = icv;
    for (std::uint16_t icv = 39; icv >= 24; --icv) order[at++] = icv;
    return order;
}();

int distance(Rgb a, Rgb b) {
    const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

// A slot already holding the colour: the same slot first, then the lowest.
std::optional<std::uint16_t> slotHolding(const Palette& palette, Rgb colour, std::uint16_t same) {
    if (same >= kFirstPaletteIcv && same < kPaletteEnd &&
        palette[same - kFirstPaletteIcv] == colour)
        return same;
    for (std::uint16_t icv = kFirstPaletteIcv; icv < kPaletteEnd; ++icv)
        if (palette[icv - kFirstPaletteIcv] == colour) return icv;
    return std::nullopt;
}

}  // namespace

std::uint16_t nearestColour(const Palette& palette, Rgb colour) {
    std::uint16_t best = kFirstPaletteIcv;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::uint16_t icv = kFirstPaletteIcv; icv < kPaletteEnd; ++icv) {
        const int d = distance(palette[icv - kFirstPaletteIcv], colour);
        if (d < bestDistance) {
            best = icv;
            bestDistance = d;
        }
    }
    return best;
}

ColourMerge planColourMerge(const Palette& source, const Palette& destination,
                            const std::vector<bool>& needed, const std::vector<bool>& inUse) {
    ColourMerge merge{source, destination, IndexMap(kPaletteEnd, kUnmapped), false};
    std::array<bool, kPaletteEnd> taken{};
    for (std::uint16_t icv = kFirstPaletteIcv; icv < kPaletteEnd; ++icv)
        taken[icv] =
            flagged(inUse, icv) || destination[icv - kFirstPaletteIcv] !=
                                       model::records::defaultPalette()[icv - kFirstPaletteIcv];
    for (std::uint16_t icv = 0; icv < kPaletteEnd; ++icv) {
        if (!flagged(needed, icv)) continue;
        if (icv < kFixedColours) {
            merge.icvs[icv] = icv;
            continue;
        }
        const Rgb colour = source[icv - kFirstPaletteIcv];
        std::optional<std::uint16_t> slot = slotHolding(merge.destination, colour, icv);
        if (!slot) {
            for (std::uint16_t candidate : kFreeSlotOrder) {
                if (taken[candidate]) continue;
                merge.destination[candidate - kFirstPaletteIcv] = colour;
                merge.paletteChanged = true;
                slot = candidate;
                break;
            }
        }
        if (!slot) slot = nearestColour(merge.destination, colour);
        merge.icvs[icv] = *slot;
        taken[*slot] = true;
    }
    return merge;
}

std::uint16_t translateColour(const ColourMerge& merge, std::uint16_t sourceIcv) {
    if (sourceIcv >= kPaletteEnd) return sourceIcv;
    if (merge.icvs[sourceIcv] != kUnmapped)
        return static_cast<std::uint16_t>(merge.icvs[sourceIcv]);
    if (sourceIcv < kFixedColours) return sourceIcv;
    return nearestColour(merge.destination, merge.source[sourceIcv - kFirstPaletteIcv]);
}

}  // namespace xls::ops::copy

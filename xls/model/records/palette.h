// The Palette record (2.4.188) and the colours an Icv (2.5.161) names: 0-7 are
// fixed colours, 8-63 the palette's 56 slots (the default palette when the
// workbook stores none), and the values from 64 on system colours (window
// text, window background, tooltip, ...) that no palette holds.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace xls::model::records {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr std::size_t kPaletteSize = 56;
inline constexpr std::uint16_t kFirstPaletteIcv = 8;
inline constexpr std::uint16_t kPaletteEnd = kFirstPaletteIcv + kPaletteSize;  // 64

using Palette = std::array<Rgb, kPaletteSize>;  // rgColor: slot icv - 8

// The colours of a workbook without a Palette record.
const Palette& defaultPalette();

// The colour an Icv names under a palette, or nothing for a system colour.
std::optional<Rgb> colourOf(const Palette& palette, std::uint16_t icv);

// Raises CorruptWorkbook for a payload shorter than ccv colours; ccv other
// than 56 keeps the default colours for the slots it lacks.
Palette readPalette(std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> writePalette(const Palette& palette);

}  // namespace xls::model::records

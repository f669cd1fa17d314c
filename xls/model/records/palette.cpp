#include "model/records/palette.h"

#include <algorithm>

#include "io/byte_reader.h"
#include "io/byte_writer.h"

namespace xls::model::records {

namespace {

constexpr Rgb rgb(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value)};
}

// The standard colours of slots 8 to 63.
constexpr Palette kDefaultPalette = {
    rgb(0x000000), rgb(0xFFFFFF), rgb(0xFF0000), rgb(0x00FF00), rgb(0x0000FF), rgb(0xFFFF00),
    rgb(0xFF00FF), rgb(0x00FFFF), rgb(0x800000), rgb(0x008000), rgb(0x000080), rgb(0x808000),
    rgb(0x800080), rgb(0x008080), rgb(0xC0C0C0), rgb(0x808080), rgb(0x9999FF), rgb(0x993366),
    rgb(0xFFFFCC), rgb(0xCCFFFF), rgb(0x660066), rgb(0xFF8080), rgb(0x0066CC), rgb(0xCCCCFF),
    rgb(0x000080), rgb(0xFF00FF), rgb(0xFFFF00), rgb(0x00FFFF), rgb(0x800080), rgb(0x800000),
    rgb(0x008080), rgb(0x0000FF), rgb(0x00CCFF), rgb(0xCCFFFF), rgb(0xCCFFCC), rgb(0xFFFF99),
    rgb(0x99CCFF), rgb(0xFF99CC), rgb(0xCC99FF), rgb(0xFFCC99), rgb(0x3366FF), rgb(0x33CCCC),
    rgb(0x99CC00), rgb(0xFFCC00), rgb(0xFF9900), rgb(0xFF6600), rgb(0x666699), rgb(0x969696),
    rgb(0x003366), rgb(0x339966), rgb(0x003300), rgb(0x333300), rgb(0x993300), rgb(0x993366),
    rgb(0x333399), rgb(0x333333)};

// Icv 0-7: black, white, red, green, blue, yellow, magenta, cyan, whatever the palette.
constexpr std::size_t kFixedColours = 8;

}  // namespace

const Palette& defaultPalette() {
    return kDefaultPalette;
}

std::optional<Rgb> colourOf(const Palette& palette, std::uint16_t icv) {
    if (icv < kFixedColours) return kDefaultPalette[icv];
    if (icv < kPaletteEnd) return palette[icv - kFirstPaletteIcv];
    return std::nullopt;
}

Palette readPalette(std::span<const std::uint8_t> payload) {
    io::ByteReader reader(payload, ErrorCode::CorruptWorkbook, "Palette record");
    Palette palette = kDefaultPalette;
    const std::size_t ccv = std::min<std::size_t>(reader.u16(), kPaletteSize);
    for (std::size_t i = 0; i < ccv; ++i) {
        palette[i].r = reader.u8();
        palette[i].g = reader.u8();
        palette[i].b = reader.u8();
        reader.skip(1);  // reserved
    }
    return palette;
}

std::vector<std::uint8_t> writePalette(const Palette& palette) {
    io::ByteWriter writer;
    writer.u16(static_cast<std::uint16_t>(kPaletteSize));
    for (const Rgb& colour : palette) writer.u8(colour.r).u8(colour.g).u8(colour.b).u8(0);
    return writer.take();
}

}  // namespace xls::model::records

#include "model/records/xf.h"

#include <algorithm>

#include "io/byte_reader.h"

namespace xls::model::records {

namespace {

std::uint32_t load32(const std::array<std::uint8_t, kXfSize>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void store32(std::array<std::uint8_t, kXfSize>& bytes, std::size_t at, std::uint32_t value) {
    io::storeU32(bytes, at, value);
}

std::uint16_t load16(const std::array<std::uint8_t, kXfSize>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

// Where each colour lies: the 32-bit word (at offset 10, 14 or, as 16 bits, 18) and its shift.
struct ColourField {
    std::size_t word;
    unsigned shift;
};

ColourField fieldOf(XfColour which) {
    switch (which) {
        case XfColour::Left:
            return {10, 16};
        case XfColour::Right:
            return {10, 23};
        case XfColour::Top:
            return {14, 0};
        case XfColour::Bottom:
            return {14, 7};
        case XfColour::Diagonal:
            return {14, 14};
        case XfColour::Fore:
            return {18, 0};
        case XfColour::Back:
            break;
    }
    return {18, 7};
}

constexpr std::uint32_t kHasXFExt = 1u << 25;  // in the word at offset 14

}  // namespace

std::uint16_t XF::ifnt() const {
    return load16(bytes, 0);
}
void XF::makeCellFormat(std::uint16_t parent) {
    bytes[4] = static_cast<std::uint8_t>(bytes[4] & ~0x04);
    setIxfParent(parent);
    bytes[9] = static_cast<std::uint8_t>(bytes[9] | 0xFC);  // fAtrNum ... fAtrProt
}

void XF::setIfnt(std::uint16_t value) {
    io::storeU16(bytes, 0, value);
}
std::uint16_t XF::ifmt() const {
    return load16(bytes, 2);
}
void XF::setIfmt(std::uint16_t value) {
    io::storeU16(bytes, 2, value);
}
std::uint16_t XF::ixfParent() const {
    return static_cast<std::uint16_t>(load16(bytes, 4) >> 4);
}
void XF::setIxfParent(std::uint16_t value) {
    const auto flags = static_cast<std::uint16_t>(load16(bytes, 4) & 0x000F);
    io::storeU16(bytes, 4, static_cast<std::uint16_t>(flags | (value & kNoParent) << 4));
}

bool XF::fHasXFExt() const {
    return (load32(bytes, 14) & kHasXFExt) != 0;
}
void XF::setFHasXFExt(bool value) {
    const std::uint32_t word = load32(bytes, 14);
    store32(bytes, 14, value ? word | kHasXFExt : word & ~kHasXFExt);
}

std::uint8_t XF::icv(XfColour which) const {
    const ColourField field = fieldOf(which);
    const std::uint32_t word = field.word == 18 ? load16(bytes, 18) : load32(bytes, field.word);
    return static_cast<std::uint8_t>((word >> field.shift) & 0x7F);
}

void XF::setIcv(XfColour which, std::uint8_t value) {
    const ColourField field = fieldOf(which);
    const std::uint32_t mask = 0x7Fu << field.shift;
    const std::uint32_t bits = static_cast<std::uint32_t>(value & 0x7F) << field.shift;
    if (field.word == 18) {
        const std::uint32_t word = (load16(bytes, 18) & ~mask) | bits;
        io::storeU16(bytes, 18, static_cast<std::uint16_t>(word));
    } else {
        store32(bytes, field.word, (load32(bytes, field.word) & ~mask) | bits);
    }
}

std::array<std::uint8_t, 6> XF::borderStyles() const {
    const std::uint32_t sides = load32(bytes, 10);
    const std::uint32_t rest = load32(bytes, 14);
    return {
        static_cast<std::uint8_t>(sides & 0xF),      static_cast<std::uint8_t>(sides >> 4 & 0xF),
        static_cast<std::uint8_t>(sides >> 8 & 0xF), static_cast<std::uint8_t>(sides >> 12 & 0xF),
        static_cast<std::uint8_t>(rest >> 21 & 0xF), static_cast<std::uint8_t>(sides >> 30)};
}

XF readXF(std::span<const std::uint8_t> payload) {
    io::ByteReader reader(payload, ErrorCode::CorruptWorkbook, "XF record");
    XF xf;
    const auto stored = reader.bytes(kXfSize);
    std::copy(stored.begin(), stored.end(), xf.bytes.begin());
    return xf;
}

std::vector<std::uint8_t> writeXF(const XF& xf) {
    return {xf.bytes.begin(), xf.bytes.end()};
}

}  // namespace xls::model::records

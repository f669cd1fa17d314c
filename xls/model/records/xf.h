// The XF record (2.4.353): a cell format or a cell style format. The record is
// held as its 20 bytes, with accessors for the fields a merge of format tables
// reads or changes: the font, the number format, the parent style and the
// seven colours (each a 7-bit Icv).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace xls::model::records {

inline constexpr std::size_t kXfSize = 20;
inline constexpr std::uint16_t kNoParent = 0x0FFF;  // ixfParent of a style XF

enum class XfColour { Left, Right, Top, Bottom, Diagonal, Fore, Back };
inline constexpr std::array kXfColours = {XfColour::Left,   XfColour::Right,    XfColour::Top,
                                          XfColour::Bottom, XfColour::Diagonal, XfColour::Fore,
                                          XfColour::Back};

struct XF {
    std::array<std::uint8_t, kXfSize> bytes{};

    std::uint16_t ifnt() const;
    void setIfnt(std::uint16_t value);
    std::uint16_t ifmt() const;
    void setIfmt(std::uint16_t value);
    bool fLocked() const { return (bytes[4] & 0x01) != 0; }
    bool fHidden() const { return (bytes[4] & 0x02) != 0; }
    bool fStyle() const { return (bytes[4] & 0x04) != 0; }
    // Makes a style XF a cell XF whose every attribute is its own (fAtr* set),
    // with the given parent style.
    void makeCellFormat(std::uint16_t parent);
    std::uint16_t ixfParent() const;
    void setIxfParent(std::uint16_t value);
    bool fHasXFExt() const;
    void setFHasXFExt(bool value);
    std::uint8_t icv(XfColour which) const;
    void setIcv(XfColour which, std::uint8_t value);

    // Alignment (alc, fWrap, alcV, fJustLast, trot, cIndent, fShrinkToFit, iReadOrder).
    std::span<const std::uint8_t> alignment() const { return {bytes.data() + 6, 3}; }
    // The border line styles (dgLeft, dgRight, dgTop, dgBottom, dgDiag) and grbitDiag.
    std::array<std::uint8_t, 6> borderStyles() const;
    std::uint8_t fls() const { return static_cast<std::uint8_t>(bytes[17] >> 2); }

    bool operator==(const XF&) const = default;
};

// Raises CorruptWorkbook for a payload shorter than 20 bytes.
XF readXF(std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> writeXF(const XF& xf);

}  // namespace xls::model::records

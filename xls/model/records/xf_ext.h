// The XFExt record (2.4.355): the Excel 2007 extensions of one XF (full
// colours, theme colours, gradient fills, font scheme, indent), keyed by the
// XF's index; and XFCRC (2.4.354), which counts the XF records and holds a
// checksum of them, so that a reader can tell XFExt records written for other
// XFs than the ones it finds (a writer that did not know them changed the XFs).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/records/xf.h"

namespace xls::model::records {

// ExtProp (2.5.108): one property, its data as stored.
struct ExtProp {
    std::uint16_t extType = 0;
    std::vector<std::uint8_t> data;  // after extType and cb
    bool operator==(const ExtProp&) const = default;
};

// The ExtProp types whose data is a FullColorExt (2.5.155): fill, border and text colours.
bool holdsFullColour(std::uint16_t extType);
// FullColorExt.xclrType of an indexed colour: xclrValue is an Icv.
inline constexpr std::uint16_t kXclrIndexed = 1;
// The Icv of a FullColorExt holding an indexed colour, else nothing.
std::optional<std::uint16_t> indexedColourOf(const ExtProp& prop);
void setIndexedColour(ExtProp& prop, std::uint16_t icv);

struct XFExt {
    std::uint16_t ixfe = 0;  // the XF this extends
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::vector<ExtProp> rgExt;
    bool operator==(const XFExt&) const = default;
};

// Raises CorruptWorkbook for a payload shorter than its fields or properties.
XFExt readXFExt(std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> writeXFExt(const XFExt& ext);

struct XFCRC {
    std::uint16_t cxfs = 0;
    std::uint32_t crc = 0;
};
XFCRC readXFCRC(std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> writeXFCRC(const XFCRC& xfcrc);

// The checksum XFCRC.crc holds: the Office CRC-32 ([MS-OSHARED] 2.4.3) run over
// the XF payloads in order.
std::uint32_t xfChecksum(std::span<const XF> xfs);

}  // namespace xls::model::records

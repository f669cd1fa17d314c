#include "model/records/xf_ext.h"

#include <array>

#include "biff/record_type.h"
#include "io/byte_reader.h"
#include "io/byte_writer.h"

namespace xls::model::records {

namespace {

constexpr std::size_t kFrtHeaderSize = 12;  // rt, grbitFrt, reserved (8)
constexpr std::size_t kExtPropHeader = 4;   // extType, cb

void writeFrtHeader(io::ByteWriter& writer, biff::RecordType rt) {
    writer.u16(biff::toU16(rt)).u16(0).zeros(8);
}

// The Office CRC-32: polynomial 0xAF, most significant bit first, no final inversion.
std::array<std::uint32_t, 256> crcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 0x80000000u) ? (value << 1) ^ 0xAFu : value << 1;
        table[i] = value;
    }
    return table;
}

}  // namespace

bool holdsFullColour(std::uint16_t extType) {
    switch (extType) {
        case 0x04:  // foreground (pattern) colour
        case 0x05:  // background colour
        case 0x07:  // top border
        case 0x08:  // bottom border
        case 0x09:  // left border
        case 0x0A:  // right border
        case 0x0B:  // diagonal border
        case 0x0D:  // text colour
            return true;
        default:
            return false;
    }
}

std::optional<std::uint16_t> indexedColourOf(const ExtProp& prop) {
    if (!holdsFullColour(prop.extType) || prop.data.size() < 8) return std::nullopt;
    io::ByteReader reader(prop.data);
    if (reader.u16() != kXclrIndexed) return std::nullopt;
    reader.skip(2);  // nTintShade
    return static_cast<std::uint16_t>(reader.u32());
}

void setIndexedColour(ExtProp& prop, std::uint16_t icv) {
    if (indexedColourOf(prop)) io::storeU32(prop.data, 4, icv);
}

XFExt readXFExt(std::span<const std::uint8_t> payload) {
    io::ByteReader reader(payload, ErrorCode::CorruptWorkbook, "XFExt record");
    reader.skip(kFrtHeaderSize);
    XFExt ext;
    ext.reserved1 = reader.u16();
    ext.ixfe = reader.u16();
    ext.reserved2 = reader.u16();
    const std::uint16_t cexts = reader.u16();
    for (std::uint16_t i = 0; i < cexts; ++i) {
        ExtProp prop;
        prop.extType = reader.u16();
        const std::uint16_t cb = reader.u16();
        if (cb < kExtPropHeader)
            fail(ErrorCode::CorruptWorkbook, "XFExt property shorter than its header");
        const auto data = reader.bytes(cb - kExtPropHeader);
        prop.data.assign(data.begin(), data.end());
        ext.rgExt.push_back(std::move(prop));
    }
    return ext;
}

std::vector<std::uint8_t> writeXFExt(const XFExt& ext) {
    io::ByteWriter writer;
    writeFrtHeader(writer, biff::RecordType::XFExt);
    writer.u16(ext.reserved1).u16(ext.ixfe).u16(ext.reserved2);
    writer.u16(static_cast<std::uint16_t>(ext.rgExt.size()));
    for (const ExtProp& prop : ext.rgExt) {
        writer.u16(prop.extType).u16(static_cast<std::uint16_t>(prop.data.size() + kExtPropHeader));
        writer.bytes(prop.data);
    }
    return writer.take();
}

XFCRC readXFCRC(std::span<const std::uint8_t> payload) {
    io::ByteReader reader(payload, ErrorCode::CorruptWorkbook, "XFCRC record");
    reader.skip(kFrtHeaderSize + 2);  // and reserved
    XFCRC xfcrc;
    xfcrc.cxfs = reader.u16();
    xfcrc.crc = reader.u32();
    return xfcrc;
}

std::vector<std::uint8_t> writeXFCRC(const XFCRC& xfcrc) {
    io::ByteWriter writer;
    writeFrtHeader(writer, biff::RecordType::XFCRC);
    writer.u16(0).u16(xfcrc.cxfs).u32(xfcrc.crc);
    return writer.take();
}

std::uint32_t xfChecksum(std::span<const XF> xfs) {
    static const std::array<std::uint32_t, 256> table = crcTable();
    std::uint32_t crc = 0;
    for (const XF& xf : xfs)
        for (std::uint8_t byte : xf.bytes) crc = (crc << 8) ^ table[((crc >> 24) ^ byte) & 0xFF];
    return crc;
}

}  // namespace xls::model::records

#include "model/records/external_refs.h"

#include <algorithm>

#include "io/byte_reader.h"
#include "io/byte_writer.h"
#include "model/records/fields_in_place.h"
#include "xls/error.h"

namespace xls::model::records {

namespace {

constexpr std::size_t kSupBookHeaderSize = 4;
constexpr std::size_t kXtiSize = 6;

}  // namespace

std::optional<SupBookHeader> readSupBookHeader(std::span<const std::uint8_t> payload) {
    if (payload.size() < kSupBookHeaderSize) return std::nullopt;
    io::ByteReader r(payload, ErrorCode::CorruptWorkbook, "SupBook");
    SupBookHeader h;
    h.ctab = r.u16();
    h.cch = r.u16();
    return h;
}

void writeSupBookHeader(std::span<std::uint8_t> payload, const SupBookHeader& header) {
    io::ByteWriter out;
    out.u16(header.ctab).u16(header.cch);
    writeFieldsOver(payload, out, "SupBook");
}

std::vector<Xti> readExternSheet(std::span<const std::uint8_t> payload) {
    io::ByteReader r(payload, ErrorCode::CorruptWorkbook, "ExternSheet");
    const std::uint16_t count = r.u16();
    if (r.remaining() < std::size_t{count} * kXtiSize)
        fail(ErrorCode::CorruptWorkbook, "ExternSheet: fewer XTIs than it declares");
    std::vector<Xti> xtis(count);
    for (Xti& xti : xtis) {
        xti.iSupBook = r.u16();
        xti.itabFirst = static_cast<std::int16_t>(r.u16());
        xti.itabLast = static_cast<std::int16_t>(r.u16());
    }
    return xtis;
}

void writeExternSheet(std::span<std::uint8_t> payload, const std::vector<Xti>& xtis) {
    io::ByteWriter out;
    out.u16(static_cast<std::uint16_t>(xtis.size()));
    for (const Xti& xti : xtis)
        out.u16(xti.iSupBook)
            .u16(static_cast<std::uint16_t>(xti.itabFirst))
            .u16(static_cast<std::uint16_t>(xti.itabLast));
    writeFieldsOver(payload, out, "ExternSheet");
}

}  // namespace xls::model::records

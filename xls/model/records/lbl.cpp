#include "model/records/lbl.h"

#include <algorithm>

#include "biff/strings.h"
#include "io/byte_reader.h"
#include "io/byte_writer.h"
#include "model/records/fields_in_place.h"
#include "xls/error.h"

namespace xls::model::records {

namespace {

LblHeader readHeader(io::ByteReader& r) {
    LblHeader h;
    h.flags = r.u16();
    h.chKey = r.u8();
    h.cch = r.u8();
    h.cce = r.u16();
    h.reserved3 = r.u16();
    h.itab = r.u16();
    for (auto& byte : h.reserved4to7) byte = r.u8();
    return h;
}

}  // namespace

LblHeader readLblHeader(std::span<const std::uint8_t> payload) {
    io::ByteReader r(payload, ErrorCode::CorruptWorkbook, "Lbl");
    return readHeader(r);
}

void writeLblHeader(std::span<std::uint8_t> payload, const LblHeader& h) {
    io::ByteWriter out;
    out.u16(h.flags).u8(h.chKey).u8(h.cch).u16(h.cce).u16(h.reserved3).u16(h.itab);
    out.bytes(h.reserved4to7);
    writeFieldsOver(payload, out, "Lbl");
}

std::size_t lblFormulaOffset(std::span<const std::uint8_t> payload) {
    biff::ContinuedReader r(payload, {}, "Lbl");
    const LblHeader h = readHeader(r);
    biff::readString(r, biff::StringForm::NoCch, h.cch);
    const std::size_t offset = r.position();
    r.skip(h.cce);  // raises when the formula runs past the payload
    return offset;
}

}  // namespace xls::model::records

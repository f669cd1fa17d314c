#include "model/records/windows.h"

#include "io/byte_reader.h"
#include "io/byte_writer.h"
#include "model/records/fields_in_place.h"
#include "xls/error.h"

namespace xls::model::records {

namespace {

constexpr std::size_t kWindow1FieldsSize = 16;  // through ctabSel
constexpr std::size_t kWindow1Size = 18;        // with wTabRatio
constexpr std::uint16_t kFSelected = 0x0200;
constexpr std::uint16_t kFPaged = 0x0400;

}  // namespace

std::optional<Window1> readWindow1(std::span<const std::uint8_t> payload) {
    if (payload.size() < kWindow1FieldsSize) return std::nullopt;
    io::ByteReader r(payload, ErrorCode::CorruptWorkbook, "Window1");
    Window1 w;
    w.xWn = r.u16();
    w.yWn = r.u16();
    w.dxWn = r.u16();
    w.dyWn = r.u16();
    w.flags = r.u16();
    w.itabCur = r.u16();
    w.itabFirst = r.u16();
    w.ctabSel = r.u16();
    if (payload.size() >= kWindow1Size) w.wTabRatio = r.u16();
    return w;
}

void writeWindow1(std::span<std::uint8_t> payload, const Window1& w) {
    io::ByteWriter out;
    out.u16(w.xWn).u16(w.yWn).u16(w.dxWn).u16(w.dyWn).u16(w.flags);
    out.u16(w.itabCur).u16(w.itabFirst).u16(w.ctabSel);
    if (w.wTabRatio) out.u16(*w.wTabRatio);
    writeFieldsOver(payload, out, "Window1");
}

std::optional<Window2TabFlags> readWindow2TabFlags(std::span<const std::uint8_t> payload) {
    if (payload.size() < 2) return std::nullopt;
    const std::uint16_t grbit = io::ByteReader(payload).u16();
    return Window2TabFlags{(grbit & kFSelected) != 0, (grbit & kFPaged) != 0};
}

void writeWindow2TabFlags(std::span<std::uint8_t> payload, Window2TabFlags flags) {
    if (payload.size() < 2) fail(ErrorCode::CorruptWorkbook, "Window2 too short");
    std::uint16_t grbit = io::ByteReader(payload).u16();
    grbit = static_cast<std::uint16_t>(grbit & ~(kFSelected | kFPaged));
    if (flags.fSelected) grbit |= kFSelected;
    if (flags.fPaged) grbit |= kFPaged;
    io::storeU16(payload, 0, grbit);
}

}  // namespace xls::model::records

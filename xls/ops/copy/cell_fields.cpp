#include "ops/copy/cell_fields.h"

#include <optional>

#include "io/byte_reader.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

constexpr std::size_t kCellIxfeOffset = 4;  // after rw and col
constexpr std::size_t kMulHeader = 4;       // rw, colFirst
constexpr std::size_t kMulTrailer = 2;      // colLast
constexpr std::size_t kRkRecSize = 6;       // ixfe, RK
constexpr std::size_t kRowFlagsOffset = 12;
constexpr std::size_t kRowIxfeOffset = 14;
constexpr std::uint16_t kRowGhostDirty = 0x0080;
constexpr std::uint16_t kRowIxfeMask = 0x0FFF;
constexpr std::size_t kColInfoIxfeOffset = 6;

[[noreturn]] void tooShort(RecordType type) {
    fail(ErrorCode::CorruptWorkbook,
         biff::describeRecordType(biff::toU16(type)) + " record too short for its fields");
}

CellFormatFields single(RecordType type, std::span<const std::uint8_t> payload, std::size_t offset,
                        std::uint16_t mask = 0xFFFF) {
    if (payload.size() < offset + 2) tooShort(type);
    return {offset, 0, 1, mask};
}

// MulRk and MulBlank: elements of elementSize between the header and colLast.
CellFormatFields array(RecordType type, std::span<const std::uint8_t> payload,
                       std::size_t elementSize) {
    if (payload.size() < kMulHeader + kMulTrailer + elementSize ||
        (payload.size() - kMulHeader - kMulTrailer) % elementSize != 0)
        tooShort(type);
    return {kMulHeader, elementSize, (payload.size() - kMulHeader - kMulTrailer) / elementSize};
}

// Where a record type keeps its XF index: one answer for both the question
// whether a record holds cell indices and where they are.
enum class Layout { Cell, MulRk, MulBlank, Row, ColInfo };

// A switch rather than a table to search: every cell record of a copied
// sheet asks, several times over.
std::optional<Layout> layoutOf(RecordType type) {
    switch (type) {
        case RecordType::Number:
        case RecordType::RK:
        case RecordType::LabelSst:
        case RecordType::Label:
        case RecordType::RString:
        case RecordType::BoolErr:
        case RecordType::Blank:
        case RecordType::Formula:
            return Layout::Cell;
        case RecordType::MulRk:
            return Layout::MulRk;
        case RecordType::MulBlank:
            return Layout::MulBlank;
        case RecordType::Row:
            return Layout::Row;
        case RecordType::ColInfo:
            return Layout::ColInfo;
        default:
            return std::nullopt;
    }
}

}  // namespace

bool holdsCellIndices(RecordType type) {
    return layoutOf(type).has_value();
}

CellFormatFields cellFormatFields(RecordType type, std::span<const std::uint8_t> payload) {
    const std::optional<Layout> layout = layoutOf(type);
    if (!layout) return {};
    switch (*layout) {
        case Layout::Cell:
            return single(type, payload, kCellIxfeOffset);
        case Layout::MulRk:
            return array(type, payload, kRkRecSize);
        case Layout::MulBlank:
            return array(type, payload, 2);
        case Layout::Row: {
            if (payload.size() < kRowIxfeOffset + 2) tooShort(type);
            io::ByteReader r(payload.subspan(kRowFlagsOffset, 2));
            if ((r.u16() & kRowGhostDirty) == 0) return {};
            return single(type, payload, kRowIxfeOffset, kRowIxfeMask);
        }
        case Layout::ColInfo:
            return single(type, payload, kColInfoIxfeOffset);
    }
    return {};
}

RunArray rstringRuns(std::span<const std::uint8_t> payload) {
    io::ByteReader r(payload, ErrorCode::CorruptWorkbook, "RString");
    r.skip(6);  // rw, col, ixfe
    const std::size_t cch = r.u16();
    const bool highByte = (r.u8() & 0x01) != 0;
    r.skip(cch * (highByte ? 2 : 1));
    const std::size_t cRun = r.u16();
    const RunArray runs{r.position(), cRun};
    r.skip(cRun * 4);
    return runs;
}

}  // namespace xls::ops

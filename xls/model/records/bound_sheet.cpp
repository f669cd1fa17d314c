#include "model/records/bound_sheet.h"

#include "biff/strings.h"
#include "biff/text_encoding.h"
#include "io/byte_reader.h"
#include "io/byte_writer.h"
#include "xls/error.h"

namespace xls::model::records {

BoundSheet8 readBoundSheet8(std::span<const std::uint8_t> payload, BiffVersion version,
                            std::uint16_t codePage) {
    biff::ContinuedReader reader(payload, {}, "BoundSheet8");
    BoundSheet8 record;
    record.lbPlyPos = reader.u32();
    record.hsState = reader.u8();
    record.dt = reader.u8();
    record.stName =
        version == BiffVersion::Biff8
            ? biff::readShortXLUnicodeString(reader)
            : biff::readShortByteString(reader, codePage ? codePage : biff::kDefaultCodePage);
    return record;
}

std::vector<std::uint8_t> writeBoundSheet8(const BoundSheet8& record) {
    io::ByteWriter out;
    out.u32(record.lbPlyPos).u8(record.hsState).u8(record.dt);
    biff::writeString(out, biff::XLString::fromUtf8(record.stName), biff::StringForm::Short);
    return out.take();
}

std::uint32_t boundSheetLbPlyPos(std::span<const std::uint8_t> payload) {
    return io::ByteReader(payload, ErrorCode::CorruptWorkbook, "BoundSheet8").u32();
}

void setBoundSheetLbPlyPos(std::span<std::uint8_t> payload, std::uint32_t lbPlyPos) {
    if (payload.size() < 4) fail(ErrorCode::CorruptWorkbook, "BoundSheet8 too short");
    io::storeU32(payload, 0, lbPlyPos);
}

}  // namespace xls::model::records

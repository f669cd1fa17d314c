#include "model/records/number_format.h"

#include "io/byte_reader.h"
#include "io/byte_writer.h"
#include "model/records/record_strings.h"

namespace xls::model::records {

NumberFormat readNumberFormat(std::span<const std::uint8_t> payload) {
    io::ByteReader reader(payload, ErrorCode::CorruptWorkbook, "Format record");
    NumberFormat format;
    format.ifmt = reader.u16();
    format.stFormat = readXLUnicodeString(reader);
    return format;
}

std::vector<std::uint8_t> writeNumberFormat(const NumberFormat& format) {
    io::ByteWriter writer;
    writer.u16(format.ifmt);
    writeXLUnicodeString(writer, format.stFormat);
    return writer.take();
}

}  // namespace xls::model::records

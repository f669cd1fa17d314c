#include "model/records/font.h"

#include "io/byte_reader.h"
#include "io/byte_writer.h"
#include "model/records/record_strings.h"

namespace xls::model::records {

Font readFont(std::span<const std::uint8_t> payload) {
    io::ByteReader reader(payload, ErrorCode::CorruptWorkbook, "Font record");
    Font font;
    font.dyHeight = reader.u16();
    font.grbit = reader.u16();
    font.icv = reader.u16();
    font.bls = reader.u16();
    font.sss = reader.u16();
    font.uls = reader.u8();
    font.bFamily = reader.u8();
    font.bCharSet = reader.u8();
    font.unused3 = reader.u8();
    font.fontName = readShortXLUnicodeString(reader);
    return font;
}

std::vector<std::uint8_t> writeFont(const Font& font) {
    io::ByteWriter writer;
    writer.u16(font.dyHeight).u16(font.grbit).u16(font.icv).u16(font.bls).u16(font.sss);
    writer.u8(font.uls).u8(font.bFamily).u8(font.bCharSet).u8(font.unused3);
    writeShortXLUnicodeString(writer, font.fontName);
    return writer.take();
}

}  // namespace xls::model::records

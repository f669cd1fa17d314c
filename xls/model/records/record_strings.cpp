#include "model/records/record_strings.h"

#include <algorithm>
#include <limits>

#include "xls/error.h"

namespace xls::model::records {

namespace {

constexpr std::uint8_t kHighByte = 0x01;  // fHighByte: two bytes a character

std::u16string readCharacters(io::ByteReader& reader, std::size_t cch) {
    const std::uint8_t flags = reader.u8();
    std::u16string text;
    text.reserve(cch);
    for (std::size_t i = 0; i < cch; ++i)
        text.push_back((flags & kHighByte) ? static_cast<char16_t>(reader.u16())
                                           : static_cast<char16_t>(reader.u8()));
    return text;
}

void writeCharacters(io::ByteWriter& writer, std::u16string_view text) {
    const bool compressed =
        std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF; });
    writer.u8(compressed ? 0 : kHighByte);
    for (char16_t c : text) {
        if (compressed)
            writer.u8(static_cast<std::uint8_t>(c));
        else
            writer.u16(static_cast<std::uint16_t>(c));
    }
}

}  // namespace

std::u16string readShortXLUnicodeString(io::ByteReader& reader) {
    const std::uint8_t cch = reader.u8();
    return readCharacters(reader, cch);
}

std::u16string readXLUnicodeString(io::ByteReader& reader) {
    const std::uint16_t cch = reader.u16();
    return readCharacters(reader, cch);
}

void writeShortXLUnicodeString(io::ByteWriter& writer, std::u16string_view text) {
    if (text.size() > std::numeric_limits<std::uint8_t>::max())
        fail(ErrorCode::UnsupportedOperation, "a font name longer than 255 characters");
    writer.u8(static_cast<std::uint8_t>(text.size()));
    writeCharacters(writer, text);
}

void writeXLUnicodeString(io::ByteWriter& writer, std::u16string_view text) {
    if (text.size() > std::numeric_limits<std::uint16_t>::max())
        fail(ErrorCode::UnsupportedOperation, "a string longer than 65535 characters");
    writer.u16(static_cast<std::uint16_t>(text.size()));
    writeCharacters(writer, text);
}

}  // namespace xls::model::records

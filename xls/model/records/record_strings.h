// The two string forms the format records hold: ShortXLUnicodeString (2.5.240,
// a font's name) and XLUnicodeString (2.5.294, a number format or a style's
// name), read into UTF-16 so that no character is lost, and written back
// compressed (one byte a character) when every character fits in a byte. The
// engine's one string codec (biff/strings.h) does the work; these read from and
// write to a single record's payload.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "io/byte_reader.h"
#include "io/byte_writer.h"

namespace xls::model::records {

// cch (1 byte), flags, characters. Raise CorruptWorkbook when the data runs out.
std::u16string readShortXLUnicodeString(io::ByteReader& reader);
// cch (2 bytes), flags, characters.
std::u16string readXLUnicodeString(io::ByteReader& reader);

// Raise UnsupportedOperation for a string longer than its count field holds.
void writeShortXLUnicodeString(io::ByteWriter& writer, std::u16string_view text);
void writeXLUnicodeString(io::ByteWriter& writer, std::u16string_view text);

}  // namespace xls::model::records

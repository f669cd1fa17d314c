#include "model/records/record_strings.h"

#include "biff/strings.h"

namespace xls::model::records {

namespace {

// One string of the given form through the engine's string codec, read from
// where the reader stands; the reader moves past it.
std::u16string readThroughCodec(io::ByteReader& reader, biff::StringForm form) {
    const std::size_t start = reader.position();
    biff::ContinuedReader strings(reader.bytes(reader.remaining()));
    biff::XLString string = biff::readString(strings, form);
    reader.seek(start + strings.position());
    return std::move(string.chars);
}

}  // namespace

std::u16string readShortXLUnicodeString(io::ByteReader& reader) {
    return readThroughCodec(reader, biff::StringForm::Short);
}

std::u16string readXLUnicodeString(io::ByteReader& reader) {
    return readThroughCodec(reader, biff::StringForm::Unicode);
}

void writeShortXLUnicodeString(io::ByteWriter& writer, std::u16string_view text) {
    biff::writeString(writer, biff::XLString::fromUtf16(text), biff::StringForm::Short);
}

void writeXLUnicodeString(io::ByteWriter& writer, std::u16string_view text) {
    biff::writeString(writer, biff::XLString::fromUtf16(text), biff::StringForm::Unicode);
}

}  // namespace xls::model::records

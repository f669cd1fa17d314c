#include "model/records/style.h"

#include <algorithm>

#include "io/byte_reader.h"
#include "io/byte_writer.h"
#include "model/records/record_strings.h"

namespace xls::model::records {

namespace {

constexpr std::uint16_t kIxfeMask = 0x0FFF;
constexpr std::uint16_t kBuiltIn = 0x8000;

char16_t foldCase(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

}  // namespace

bool sameStyle(const Style& a, const Style& b) {
    if (a.fBuiltIn != b.fBuiltIn) return false;
    if (a.fBuiltIn) return a.istyBuiltIn == b.istyBuiltIn && a.iLevel == b.iLevel;
    return std::ranges::equal(a.user, b.user,
                              [](char16_t x, char16_t y) { return foldCase(x) == foldCase(y); });
}

Style readStyle(std::span<const std::uint8_t> payload) {
    io::ByteReader reader(payload, ErrorCode::CorruptWorkbook, "Style record");
    Style style;
    const std::uint16_t word = reader.u16();
    style.ixfe = word & kIxfeMask;
    style.fBuiltIn = (word & kBuiltIn) != 0;
    if (style.fBuiltIn) {
        style.istyBuiltIn = reader.u8();
        style.iLevel = reader.u8();
    } else {
        style.user = readXLUnicodeString(reader);
    }
    return style;
}

std::vector<std::uint8_t> writeStyle(const Style& style) {
    io::ByteWriter writer;
    writer.u16(
        static_cast<std::uint16_t>((style.ixfe & kIxfeMask) | (style.fBuiltIn ? kBuiltIn : 0)));
    if (style.fBuiltIn)
        writer.u8(style.istyBuiltIn).u8(style.iLevel);
    else
        writeXLUnicodeString(writer, style.user);
    return writer.take();
}

}  // namespace xls::model::records

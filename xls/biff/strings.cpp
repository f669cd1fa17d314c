#include "biff/strings.h"

#include "biff/text_encoding.h"
#include "xls/error.h"

namespace xls::biff {

namespace {

constexpr std::uint8_t kHighByte = 0x01;  // fHighByte: 2 bytes per character
constexpr std::uint8_t kExtSt = 0x04;     // fExtSt: phonetic ExtRst follows
constexpr std::uint8_t kRichSt = 0x08;    // fRichSt: formatting runs follow

// Reads cch characters whose first flags byte was already read. A character never
// splits across a Continue boundary; at one, a new flags byte says how the rest is stored.
std::u16string readCharacters(ContinuedReader& reader, std::uint8_t flags, std::size_t cch) {
    std::u16string text;
    text.reserve(cch);
    bool highByte = (flags & kHighByte) != 0;
    while (text.size() < cch) {
        if (reader.atContinueStart()) {
            highByte = (reader.u8() & kHighByte) != 0;  // the Continue's fresh flags byte
            continue;
        }
        std::size_t inPiece = reader.remainingInPiece();
        if (inPiece == 0) fail(ErrorCode::CorruptWorkbook, "string runs past its record");
        std::size_t width = highByte ? 2 : 1;
        std::size_t count = std::min(cch - text.size(), inPiece / width);
        if (count == 0) fail(ErrorCode::CorruptWorkbook, "a character is split between records");
        std::span<const std::uint8_t> raw = reader.bytes(count * width);
        for (std::size_t i = 0; i < count; ++i) {
            text += highByte ? static_cast<char16_t>(raw[2 * i] | (raw[2 * i + 1] << 8))
                             : static_cast<char16_t>(raw[i]);
        }
    }
    return text;
}

// The flags byte, then the characters (none to read when cch is 0).
std::string readFlagsAndCharacters(ContinuedReader& reader, std::size_t cch) {
    std::uint8_t flags = reader.u8();
    if (cch == 0) return {};
    return utf16ToUtf8(readCharacters(reader, flags, cch));
}

}  // namespace

std::string readShortXLUnicodeString(ContinuedReader& reader) {
    std::uint8_t cch = reader.u8();
    return readFlagsAndCharacters(reader, cch);
}

std::string readXLUnicodeString(ContinuedReader& reader) {
    std::uint16_t cch = reader.u16();
    return readFlagsAndCharacters(reader, cch);
}

std::string readXLUnicodeStringNoCch(ContinuedReader& reader, std::uint16_t cch) {
    return readFlagsAndCharacters(reader, cch);
}

RichString readXLUnicodeRichExtendedString(ContinuedReader& reader) {
    std::uint16_t cch = reader.u16();
    std::uint8_t flags = reader.u8();
    std::uint16_t cRun = (flags & kRichSt) ? reader.u16() : 0;
    std::uint32_t cbExtRst = (flags & kExtSt) ? reader.u32() : 0;

    RichString string;
    string.text = utf16ToUtf8(readCharacters(reader, flags, cch));
    // Runs and ExtRst go on across a Continue boundary without a flags byte.
    string.runs.reserve(cRun);
    for (std::uint16_t i = 0; i < cRun; ++i) {
        FormatRun run;
        run.ich = reader.u16();
        run.ifnt = reader.u16();
        string.runs.push_back(run);
    }
    if (cbExtRst > reader.remaining())
        fail(ErrorCode::CorruptWorkbook, "ExtRst runs past its record");
    std::span<const std::uint8_t> ext = reader.bytes(cbExtRst);
    string.extRst.assign(ext.begin(), ext.end());
    return string;
}

std::string readShortByteString(ContinuedReader& reader, std::uint16_t codePage) {
    std::uint8_t cch = reader.u8();
    return decodeCodePage(reader.bytes(cch), codePage);
}

SharedStrings readSharedStrings(const ContinuedRecord& sst) {
    ContinuedReader reader(sst, "SST");
    SharedStrings result;
    result.cstTotal = reader.u32();
    result.cstUnique = reader.u32();
    result.strings.reserve(std::min<std::size_t>(result.cstUnique, reader.remaining() / 3));
    while (!reader.atEnd()) result.strings.push_back(readXLUnicodeRichExtendedString(reader));
    return result;
}

}  // namespace xls::biff

#include "biff/strings.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <utility>

#include "biff/text_encoding.h"
#include "xls/error.h"

namespace xls::biff {

namespace {

constexpr std::uint8_t kHighByte = 0x01;  // fHighByte: 2 bytes per character
constexpr std::uint8_t kExtSt = 0x04;     // fExtSt: phonetic ExtRst follows
constexpr std::uint8_t kRichSt = 0x08;    // fRichSt: formatting runs follow
constexpr std::size_t kFormatRunSize = 4;

// Steps over cch characters whose first flags byte was already read, handing
// each stored stretch of them to take(raw bytes, 2 bytes per character, count).
// A character never splits across a Continue boundary; at one, a new flags
// byte says how the rest is stored.
template <typename Take>
void walkCharacters(ContinuedReader& reader, std::uint8_t flags, std::size_t cch, Take&& take) {
    bool highByte = (flags & kHighByte) != 0;
    for (std::size_t done = 0; done < cch;) {
        if (reader.atContinueStart()) {
            highByte = (reader.u8() & kHighByte) != 0;  // the Continue's fresh flags byte
            continue;
        }
        const std::size_t inPiece = reader.remainingInPiece();
        if (inPiece == 0) fail(ErrorCode::CorruptWorkbook, "string runs past its record");
        const std::size_t width = highByte ? 2 : 1;
        const std::size_t count = std::min(cch - done, inPiece / width);
        if (count == 0) fail(ErrorCode::CorruptWorkbook, "a character is split between records");
        take(reader.bytes(count * width), highByte, count);
        done += count;
    }
}

void readCharacters(ContinuedReader& reader, std::uint8_t flags, std::size_t cch, XLString& s) {
    s.chars.clear();
    s.chars.reserve(cch);
    walkCharacters(reader, flags, cch,
                   [&s](std::span<const std::uint8_t> raw, bool highByte, std::size_t count) {
                       if (highByte) s.highByte = true;
                       const std::size_t at = s.chars.size();
                       s.chars.resize(at + count);
                       char16_t* out = s.chars.data() + at;
                       if (!highByte) {
                           std::copy(raw.begin(), raw.end(), out);
                           return;
                       }
                       for (std::size_t i = 0; i < count; ++i)
                           out[i] = static_cast<char16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
                   });
}

// FNV-1a over 16-bit units, each part closed by its length so that bytes
// cannot move from one part to the next unnoticed.
struct Digest {
    static constexpr std::uint64_t kPrime = 0x100000001B3;
    std::uint64_t value = 0xCBF29CE484222325;
    void unit(std::uint16_t u) { value = (value ^ u) * kPrime; }
    void part(std::size_t length) { value = (value ^ (length | std::uint64_t{1} << 63)) * kPrime; }
};

// What comes before a string's characters.
struct StringHead {
    std::size_t count = 0;
    std::uint8_t flags = 0;
    std::size_t cRun = 0;
    std::uint32_t cbExtRst = 0;
};

StringHead readHead(ContinuedReader& reader, StringForm form, std::uint16_t cch) {
    StringHead head;
    head.count = cch;
    if (form == StringForm::Short) head.count = reader.u8();
    if (form == StringForm::Unicode || form == StringForm::RichExtended) head.count = reader.u16();
    head.flags = reader.u8();
    if (form == StringForm::RichExtended) {
        if (head.flags & kRichSt) head.cRun = reader.u16();
        if (head.flags & kExtSt) head.cbExtRst = reader.u32();
    }
    return head;
}

void readBytes(ContinuedReader& reader, std::size_t count, const char* what,
               std::vector<std::uint8_t>& into) {
    if (count > reader.remaining())
        fail(ErrorCode::CorruptWorkbook, std::string(what) + " runs past its record");
    const auto bytes = reader.bytes(count);
    into.assign(bytes.begin(), bytes.end());
}

std::size_t headerSize(const XLString& s, StringForm form) {
    switch (form) {
        case StringForm::Short:
            return 2;
        case StringForm::Unicode:
            return 3;
        case StringForm::NoCch:
            return 1;
        case StringForm::RichExtended:
            break;
    }
    return 3 + (s.rich ? 2 : 0) + (s.ext ? 4 : 0);
}

template <typename Count>
Count countOf(std::size_t size, const char* what) {
    if (size > std::numeric_limits<Count>::max())
        fail(ErrorCode::UnsupportedOperation, std::string(what) + " too long for its record");
    return static_cast<Count>(size);
}

}  // namespace

XLString XLString::fromUtf16(std::u16string_view text) {
    XLString s;
    s.chars = std::u16string(text);
    s.highByte = std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
    return s;
}

XLString XLString::fromUtf8(std::string_view text) {
    return fromUtf16(utf8ToUtf16(text));
}

std::string XLString::utf8() const {
    return utf16ToUtf8(chars);
}

std::vector<FormatRun> XLString::formatRuns() const {
    std::vector<FormatRun> found;
    for (std::size_t at = 0; at + kFormatRunSize <= runs.size(); at += kFormatRunSize)
        found.push_back({static_cast<std::uint16_t>(runs[at] | (runs[at + 1] << 8)),
                         static_cast<std::uint16_t>(runs[at + 2] | (runs[at + 3] << 8))});
    return found;
}

XLString readString(ContinuedReader& reader, StringForm form, std::uint16_t cch) {
    XLString s;
    readString(reader, form, s, cch);
    return s;
}

void readString(ContinuedReader& reader, StringForm form, XLString& s, std::uint16_t cch) {
    const StringHead head = readHead(reader, form, cch);
    s.highByte = false;
    s.rich = form == StringForm::RichExtended && (head.flags & kRichSt) != 0;
    s.ext = form == StringForm::RichExtended && (head.flags & kExtSt) != 0;
    readCharacters(reader, head.flags, head.count, s);
    if (head.count == 0) s.highByte = (head.flags & kHighByte) != 0;
    readBytes(reader, head.cRun * kFormatRunSize, "formatting runs", s.runs);
    readBytes(reader, head.cbExtRst, "ExtRst", s.extRst);
}

void skipString(ContinuedReader& reader, StringForm form, std::uint16_t cch,
                std::uint64_t* digest) {
    const StringHead head = readHead(reader, form, cch);
    Digest d;
    walkCharacters(reader, head.flags, head.count,
                   [&](std::span<const std::uint8_t> raw, bool highByte, std::size_t count) {
                       if (!digest) return;
                       if (!highByte) {
                           for (const std::uint8_t c : raw) d.unit(c);
                           return;
                       }
                       for (std::size_t i = 0; i < count; ++i)
                           d.unit(static_cast<std::uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8)));
                   });
    if (digest) d.part(head.count);
    for (const auto& [count, what] :
         {std::pair<std::size_t, const char*>{head.cRun * kFormatRunSize, "formatting runs"},
          {std::size_t{head.cbExtRst}, "ExtRst"}}) {
        if (count > reader.remaining())
            fail(ErrorCode::CorruptWorkbook, std::string(what) + " runs past its record");
        const auto bytes = reader.bytes(count);
        if (!digest) continue;
        for (const std::uint8_t b : bytes) d.unit(b);
        d.part(count);
    }
    if (digest) *digest = d.value;
}

std::uint64_t stringDigest(const XLString& string) {
    Digest d;
    for (const char16_t c : string.chars) d.unit(static_cast<std::uint16_t>(c));
    d.part(string.chars.size());
    for (const auto* bytes : {&string.runs, &string.extRst}) {
        for (const std::uint8_t b : *bytes) d.unit(b);
        d.part(bytes->size());
    }
    return d.value;
}

StringStart writeString(ContinuedWriter& writer, const XLString& s, StringForm form) {
    const std::size_t width = s.highByte ? 2 : 1;
    writer.reserve(headerSize(s, form) + (s.chars.empty() ? 0 : width));
    const StringStart start{writer.recordIndex(), writer.offsetInRecord()};
    io::ByteWriter& head = writer.current();
    if (form == StringForm::Short) head.u8(countOf<std::uint8_t>(s.chars.size(), "string"));
    if (form == StringForm::Unicode || form == StringForm::RichExtended)
        head.u16(countOf<std::uint16_t>(s.chars.size(), "string"));
    const bool rich = form == StringForm::RichExtended && s.rich;
    const bool ext = form == StringForm::RichExtended && s.ext;
    head.u8(static_cast<std::uint8_t>((s.highByte ? kHighByte : 0) | (rich ? kRichSt : 0) |
                                      (ext ? kExtSt : 0)));
    if (rich) head.u16(countOf<std::uint16_t>(s.runs.size() / kFormatRunSize, "formatting runs"));
    if (ext) head.u32(countOf<std::uint32_t>(s.extRst.size(), "ExtRst"));
    std::size_t done = 0;
    while (done < s.chars.size()) {
        if (writer.space() < width) {
            writer.startContinue();
            writer.current().u8(s.highByte ? kHighByte : 0);
        }
        const std::size_t n = std::min(s.chars.size() - done, writer.space() / width);
        io::ByteWriter& out = writer.current();
        // Characters go out through a small buffer, a block at a time.
        std::array<std::uint8_t, 512> block{};
        for (const std::size_t end = done + n; done < end;) {
            const std::size_t count = std::min(end - done, block.size() / width);
            for (std::size_t k = 0; k < count; ++k) {
                const auto c = static_cast<std::uint16_t>(s.chars[done + k]);
                if (s.highByte) {
                    block[2 * k] = static_cast<std::uint8_t>(c);
                    block[2 * k + 1] = static_cast<std::uint8_t>(c >> 8);
                } else {
                    block[k] = static_cast<std::uint8_t>(c);
                }
            }
            out.bytes(std::span(block.data(), count * width));
            done += count;
        }
    }
    if (rich) writer.splittable(s.runs, kFormatRunSize);
    if (ext) writer.splittable(s.extRst, 1);
    return start;
}

void writeString(io::ByteWriter& writer, const XLString& string, StringForm form) {
    ContinuedWriter one(std::numeric_limits<std::size_t>::max());
    writeString(one, string, form);
    writer.bytes(one.take().front());
}

std::string readShortXLUnicodeString(ContinuedReader& reader) {
    return readString(reader, StringForm::Short).utf8();
}

std::string readShortByteString(ContinuedReader& reader, std::uint16_t codePage) {
    std::uint8_t cch = reader.u8();
    return decodeCodePage(reader.bytes(cch), codePage);
}

}  // namespace xls::biff

// The string forms of the workbook stream, read and written by one codec:
// ShortXLUnicodeString (2.5.240), XLUnicodeString (2.5.294),
// XLUnicodeStringNoCch (2.5.296) and XLUnicodeRichExtendedString (2.5.293)
// with its formatting runs and phonetic ExtRst; and the code-page byte strings
// of BIFF5. A string is read whole (XLString), so writing it back gives the
// same bytes. Character data may continue into a Continue record, which then
// starts with a fresh flags byte; runs and ExtRst continue without one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "biff/continued_reader.h"
#include "biff/continued_writer.h"

namespace xls::biff {

enum class StringForm {
    Short,         // ShortXLUnicodeString: cch (1 byte), flags, characters
    Unicode,       // XLUnicodeString: cch (2 bytes), flags, characters
    NoCch,         // XLUnicodeStringNoCch: flags, characters; the count is kept apart
    RichExtended,  // XLUnicodeRichExtendedString: cch, flags, cRun, cbExtRst, ...
};

// FormatRun (2.5.132): from character ich on, font ifnt.
struct FormatRun {
    std::uint16_t ich = 0;
    std::uint16_t ifnt = 0;
    bool operator==(const FormatRun&) const = default;
};

// A string as stored.
struct XLString {
    std::u16string chars;
    bool highByte = false;             // stored as UTF-16 (else as the low bytes)
    bool rich = false;                 // fRichSt: formatting runs follow
    std::vector<std::uint8_t> runs;    // cRun * 4 bytes of FormatRun
    bool ext = false;                  // fExtSt: phonetic data follows
    std::vector<std::uint8_t> extRst;  // cbExtRst bytes, kept as stored

    // A plain string, stored compressed when every character fits a byte.
    static XLString fromUtf16(std::u16string_view text);
    static XLString fromUtf8(std::string_view text);
    std::string utf8() const;
    std::vector<FormatRun> formatRuns() const;
    bool operator==(const XLString&) const = default;
};

// Reads one string of the given form; cch is the count of a NoCch string.
// Raises CorruptWorkbook when the data runs out or a character is split.
XLString readString(ContinuedReader& reader, StringForm form, std::uint16_t cch = 0);
// The same into a string read before, whose buffers it reuses: a pass over
// many strings that looks at each in turn allocates almost nothing.
void readString(ContinuedReader& reader, StringForm form, XLString& into, std::uint16_t cch = 0);
// Steps over a string as readString reads it, raising as it does, without
// decoding it: finding where strings begin. With digest, also sets it to the
// string's stringDigest.
void skipString(ContinuedReader& reader, StringForm form, std::uint16_t cch = 0,
                std::uint64_t* digest = nullptr);

// A digest of what a string holds as the user sees it: its characters as
// UTF-16 code units, whatever width they are stored in, its formatting runs
// and its phonetic data. Strings equal in all three have equal digests.
std::uint64_t stringDigest(const XLString& string);

// Where a written string begins: record 0 is the first record, 1 its first
// Continue, ...; offset is within that record's payload.
struct StringStart {
    std::size_t record = 0;
    std::size_t offset = 0;
};

// Writes one string; its fixed header and first character always share a
// record, and characters continue into a Continue record behind a fresh
// flags byte. Raises UnsupportedOperation when the string is too long for its
// count field. (A NoCch string's count is the caller's to write.)
StringStart writeString(ContinuedWriter& writer, const XLString& string, StringForm form);
// The same into one record's payload, never split.
void writeString(io::ByteWriter& writer, const XLString& string, StringForm form);

// The text of the simple forms, as UTF-8.
std::string readShortXLUnicodeString(ContinuedReader& reader);

// BIFF5: cch (1 byte) then bytes in the workbook's code page.
std::string readShortByteString(ContinuedReader& reader, std::uint16_t codePage);

}  // namespace xls::biff

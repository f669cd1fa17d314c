// The string encodings of the workbook stream, read into UTF-8:
// ShortXLUnicodeString (2.5.240), XLUnicodeString (2.5.294),
// XLUnicodeRichExtendedString (2.5.293) with its formatting runs and phonetic
// ExtRst, and the code-page byte strings of BIFF5. Character data may continue
// into a Continue record, which then starts with a fresh flags byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "biff/continued_reader.h"

namespace xls::biff {

// FormatRun (2.5.132): from character ich on, font ifnt.
struct FormatRun {
    std::uint16_t ich = 0;
    std::uint16_t ifnt = 0;
    bool operator==(const FormatRun&) const = default;
};

struct RichString {
    std::string text;                  // UTF-8
    std::vector<FormatRun> runs;       // rgRun
    std::vector<std::uint8_t> extRst;  // phonetic data (ExtRst), kept as stored
    bool operator==(const RichString&) const = default;
};

// cch (1 byte), flags, characters. All raise CorruptWorkbook when the data runs out.
std::string readShortXLUnicodeString(ContinuedReader& reader);
// cch (2 bytes), flags, characters.
std::string readXLUnicodeString(ContinuedReader& reader);
// flags then cch characters, for records that keep the count apart from the string.
std::string readXLUnicodeStringNoCch(ContinuedReader& reader, std::uint16_t cch);
RichString readXLUnicodeRichExtendedString(ContinuedReader& reader);

// BIFF5: cch (1 byte) then bytes in the workbook's code page.
std::string readShortByteString(ContinuedReader& reader, std::uint16_t codePage);

// The strings of an SST record (2.4.265) with its Continue records. Reads as many
// strings as the bytes hold, whatever cstUnique claims (writers get it wrong).
struct SharedStrings {
    std::uint32_t cstTotal = 0;
    std::uint32_t cstUnique = 0;
    std::vector<RichString> strings;
};
SharedStrings readSharedStrings(const ContinuedRecord& sst);

}  // namespace xls::biff

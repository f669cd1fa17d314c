// The shared string table (SST, [MS-XLS] 2.4.265) as the stream writer lays it
// out: its strings found across the SST and Continue records that hold them,
// laid out again when the table changed (split only between strings, between
// characters with a fresh flag byte, or between formatting runs), and the
// ExtSST index ([MS-XLS] 2.4.107) built from where the strings landed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "biff/strings.h"

namespace xls::model {

// One XLUnicodeRichExtendedString ([MS-XLS] 2.5.293), read and written by the string codec.
using SstString = biff::XLString;

// Where a string begins: which record of the table (0 = the SST record itself,
// 1 = its first Continue, ...) and the offset in that record's payload.
struct SstPosition {
    std::size_t record = 0;
    std::size_t offset = 0;
};

struct SstTable {
    std::uint32_t cstTotal = 0;
    std::uint32_t cstUnique = 0;  // as stored; the strings held say how many there are
    std::vector<SstString> strings;
    std::vector<SstPosition> positions;  // as stored, one per string
};

// Reads the table from the payloads of the SST record and its Continue
// records, in order. Holds at most the strings the payloads contain, even when
// cstUnique declares more. Raises Error(CorruptWorkbook) on a string cut short.
SstTable readSst(const std::vector<std::span<const std::uint8_t>>& payloads);

struct SstLayout {
    std::vector<std::vector<std::uint8_t>> payloads;  // SST payload, then Continue payloads
    std::vector<SstPosition> positions;               // one per string
};

// Lays the table out in records of at most 8224 payload bytes; cstUnique is
// written as the number of strings held.
SstLayout layoutSst(std::uint32_t cstTotal, const std::vector<SstString>& strings);

// Strings per ExtSST bucket as the application chooses it.
std::uint16_t extSstBucketSize(std::size_t stringCount);

// The ExtSST payload: dsst, then one ISSTInf per bucket of dsst strings, from
// each bucket's first string: ib its absolute stream position, cbOffset its
// offset from the start of its record (header included). recordOffsets gives
// the stream position of each record of the table.
std::vector<std::uint8_t> buildExtSst(std::uint16_t dsst, const std::vector<SstPosition>& positions,
                                      const std::vector<std::uint64_t>& recordOffsets);

}  // namespace xls::model

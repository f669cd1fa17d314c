#include "ops/copy/text_object_fonts.h"

#include <algorithm>
#include <string>

#include "ops/drawing_records.h"
#include "ops/record_runs.h"
#include "xls/error.h"

namespace xls::ops::copy {

using biff::RecordType;

namespace {

constexpr std::size_t kCchText = 10;
constexpr std::size_t kCbRuns = 12;
constexpr std::size_t kIfntEmpty = 14;
constexpr std::size_t kRunSize = 8;  // ich, ifnt, four unused bytes
constexpr std::size_t kRunFont = 2;

std::uint16_t mappedFont(const IndexMap& fonts, std::uint16_t ifnt) {
    if (!isMapped(fonts, ifnt) || fonts[ifnt] > 0xFFFF)
        fail(ErrorCode::CorruptWorkbook,
             "a text object names font " + std::to_string(ifnt) + ", which the workbook lacks");
    return static_cast<std::uint16_t>(fonts[ifnt]);
}

}  // namespace

std::size_t remapTextObjectFonts(std::vector<model::Record>& records, const IndexMap& fonts) {
    std::size_t changed = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].type != RecordType::TxO || records[i].isStoredRun()) continue;
        auto& txo = records[i].payload;
        const std::uint16_t cch = readU16(txo, kCchText, "TxO");
        const std::uint16_t cbRuns = readU16(txo, kCbRuns, "TxO");
        if (cch == 0)
            writeU16(txo, kIfntEmpty, mappedFont(fonts, readU16(txo, kIfntEmpty, "TxO")), "TxO");
        const TextObjectParts parts = textObjectParts(records, i);
        if (cbRuns >= kRunSize) {
            const RecordRun runs{parts.runs, parts.end};
            std::vector<std::uint8_t> joined = joinedPayload(records, runs);
            // The last run only marks where the text ends.
            for (std::size_t at = 0; at + 2 * kRunSize <= cbRuns; at += kRunSize)
                writeU16(joined, at + kRunFont,
                         mappedFont(fonts, readU16(joined, at + kRunFont, "TxO")), "TxO");
            spreadPayload(records, runs, joined);
        }
        ++changed;
    }
    return changed;
}

}  // namespace xls::ops::copy

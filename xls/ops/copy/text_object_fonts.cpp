#include "ops/copy/text_object_fonts.h"

#include <algorithm>
#include <string>

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

// The first Continue record after the text of cch characters that starts at
// records[first]: each text record opens with a byte saying how wide its
// characters are.
std::size_t pastText(const std::vector<model::Record>& records, std::size_t first,
                     std::size_t cch) {
    std::size_t at = first;
    while (cch > 0) {
        if (at >= records.size() || records[at].type != RecordType::Continue ||
            records[at].payload.empty())
            fail(ErrorCode::CorruptWorkbook, "a text object's text is cut short");
        const auto& payload = records[at].payload;
        const std::size_t width = (payload[0] & 0x01) ? 2 : 1;
        cch -= std::min(cch, (payload.size() - 1) / width);
        ++at;
    }
    return at;
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
        const std::size_t runsAt = pastText(records, i + 1, cch);
        if (cbRuns >= kRunSize) {
            RecordRun runs{runsAt, runsAt};
            while (runs.end < records.size() && records[runs.end].type == RecordType::Continue)
                ++runs.end;
            std::vector<std::uint8_t> joined = joinedPayload(records, runs);
            if (joined.size() < cbRuns)
                fail(ErrorCode::CorruptWorkbook, "a text object's formatting runs are cut short");
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

// The tab indices the globals of a workbook hold, read from the records for
// the tests of inserting, deleting and moving sheets.
#pragma once

#include <string>
#include <vector>

#include "model/workbook_stream.h"

namespace tarnvale::testing {

inline std::uint16_t u16At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

// Each XTI of the ExternSheet as "itabFirst:itabLast", separated by spaces.
inline std::string xtiTabs(const xls::model::Substream& globals) {
    std::string out;
    for (const auto& r : globals.records) {
        if (r.type != xls::biff::RecordType::ExternSheet) continue;
        for (std::size_t i = 0; i < u16At(r.payload, 0); ++i) {
            const auto at = 2 + i * 6;
            out += (out.empty() ? "" : " ") +
                   std::to_string(static_cast<std::int16_t>(u16At(r.payload, at + 2))) + ':' +
                   std::to_string(static_cast<std::int16_t>(u16At(r.payload, at + 4)));
        }
    }
    return out;
}

// The itab of each Lbl (0: a name of the whole workbook).
inline std::vector<std::uint16_t> nameTabs(const xls::model::Substream& globals) {
    std::vector<std::uint16_t> itabs;
    for (const auto& r : globals.records)
        if (r.type == xls::biff::RecordType::Lbl) itabs.push_back(u16At(r.payload, 8));
    return itabs;
}

}  // namespace tarnvale::testing

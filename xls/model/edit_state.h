// What a workbook's edits leave for saving besides the workbook stream's
// records: the document summary stream with its sheet titles brought up to
// date, the macro project's streams without a deleted sheet's module, and
// what the edits could not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace xls::model {

struct EditState {
    // \005DocumentSummaryInformation as edited, and its directory id; unset
    // until an edit changed it.
    std::optional<std::uint32_t> docSummaryId;
    std::optional<std::vector<std::uint8_t>> docSummary;
    // Set by an edit that changes the shared string table (a copy adding
    // strings): the ExtSST index is then rebuilt rather than shifted.
    bool sstEdited = false;
    // Other streams of the compound file as edited, by directory id, and the
    // entries to leave out (a deleted sheet's module in the macro project).
    std::map<std::uint32_t, std::vector<std::uint8_t>> containerStreams;
    std::set<std::uint32_t> containerRemovals;
    // Records the edits could not read and left as stored (formulas, PivotTable
    // sources), and those the last save kept as stored: counted, so that the
    // user hears of them.
    std::size_t recordsLeftAsStored = 0;
    std::size_t savedLeftAsStored = 0;
};

}  // namespace xls::model

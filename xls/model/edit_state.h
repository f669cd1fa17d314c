// What a workbook's edits leave for saving besides the workbook stream's
// records: the document summary stream with its sheet titles brought up to
// date, the macro project's streams without a deleted sheet's module, the
// embedded objects and controls copies brought from other files, and what the
// edits could not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "cfb/compound_file_writer.h"

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
    // Storages and streams copies added to the root of the compound file: the
    // embedding storages ("MBD...") of copied OLE objects and ActiveX controls.
    std::vector<cfb::Addition> additions;
    // The Ctls stream (the ActiveX controls' data) with copied controls
    // appended; unset until a copy appended one.
    std::optional<std::vector<std::uint8_t>> controls;
    // Records the edits could not read and left as stored (formulas, PivotTable
    // sources), and those the last save kept as stored: counted, so that the
    // user hears of them.
    std::size_t recordsLeftAsStored = 0;
    std::size_t savedLeftAsStored = 0;
};

}  // namespace xls::model

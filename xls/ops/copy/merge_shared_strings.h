// Brings the shared strings a copied sheet uses into the destination's shared
// string table: a string the destination already holds (the same characters,
// formatting runs and phonetic data) is reused, any other is appended as the
// source stores it, with its runs' fonts taken through the font map. Planned
// first, with every check made, then applied: a refused plan changes nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/edit_state.h"
#include "model/sst_index.h"
#include "model/stream_writer_sst.h"
#include "model/workbook_stream.h"
#include "ops/copy/index_map.h"
#include "ops/copy/sheet_usage.h"

namespace xls::ops {

// The string map's entry for a source string the sheet does not use.
inline constexpr std::uint32_t kStringNotCopied = 0xFFFFFFFF;

struct SharedStringsPlan {
    IndexMap map;  // source isst -> destination isst, kStringNotCopied where unused
    std::vector<model::SstString> appended;  // the strings the destination gains, in order
    std::uint32_t cstTotal = 0;              // the destination's cstTotal after the copy
    std::size_t existing = 0;                // strings the destination holds before
    std::size_t added = 0;                   // strings appended
    bool changesTable = false;
};

// Plans the merge of the strings usage names (its LabelSst cells each add one
// to cstTotal). fonts maps the source's FontIndex to the destination's, for
// the formatting runs and phonetic font of the strings; null keeps them (a
// copy inside one workbook). from: the source's shared strings; only those
// the sheet uses are decoded.
// Raises CorruptWorkbook when a cell names a string the source's table lacks,
// a run names a font the map lacks, or a table cannot be read.
SharedStringsPlan planSharedStrings(const model::SstIndex& from, const SheetUsage& usage,
                                    const model::WorkbookStream& destination,
                                    const IndexMap* fonts = nullptr);

// Appends the new strings to the destination's table, sets its counts and
// marks it edited, so the writer rebuilds the ExtSST index. Does nothing when the plan changes
// nothing.
void applySharedStrings(model::WorkbookStream& destination, const SharedStringsPlan& plan,
                        model::EditState& state);

}  // namespace xls::ops

#include "ops/sheet_edits.h"

#include <algorithm>

#include "model/records/bound_sheet.h"
#include "ops/drawing_records.h"
#include "ops/drawing_removal.h"
#include "ops/extern_sheets.h"
#include "ops/formula_pass.h"
#include "ops/header_pictures.h"
#include "ops/record_runs.h"
#include "ops/sheet_windows.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

std::vector<std::size_t> boundSheetRecords(const model::Substream& globals) {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < globals.records.size(); ++i)
        if (globals.records[i].type == RecordType::BoundSheet8) found.push_back(i);
    return found;
}

std::size_t boundSheetRecord(const model::WorkbookStream& stream, std::size_t tab) {
    const auto all = boundSheetRecords(stream.globals);
    if (tab >= all.size() || tab >= stream.sheetSubstream.size())
        fail(ErrorCode::SheetNotFound, "tab " + std::to_string(tab));
    return all[tab];
}

// RRTabId holds one tab id per sheet in tab order: the deleted sheet's goes.
void removeTabId(model::Substream& globals, std::size_t tab) {
    for (auto& r : globals.records) {
        if (r.type != RecordType::RRTabId) continue;
        const std::size_t at = tab * 2;
        if (at + 2 <= r.payload.size())
            r.payload.erase(r.payload.begin() + static_cast<std::ptrdiff_t>(at),
                            r.payload.begin() + static_cast<std::ptrdiff_t>(at + 2));
        return;
    }
}

}  // namespace

void renameSheetRecords(model::WorkbookStream& stream, std::size_t tab, std::string_view newName) {
    auto& payload = stream.globals.records[boundSheetRecord(stream, tab)].payload;
    auto record = model::records::readBoundSheet8(payload, stream.version, 0);
    record.stName = std::string(newName);
    payload = model::records::writeBoundSheet8(record);
}

std::size_t deleteSheetRecords(model::WorkbookStream& stream, std::size_t tab,
                               const std::vector<Visibility>& visibilityAfter) {
    // Everything that can find the records damaged runs first, so a refusal
    // leaves the workbook as it was.
    auto& globals = stream.globals;
    const std::size_t boundSheet = boundSheetRecord(stream, tab);
    const ExternSheetRemoval externSheets = planSheetRemoval(globals, tab);
    checkNamesReadable(globals);
    const auto drawingGroup =
        planDrawingRemoval(stream, stream.substreams[stream.sheetSubstream[tab]]);
    const auto headerPictureGroup =
        planHeaderPictureRemoval(globals, stream.substreams[stream.sheetSubstream[tab]]);

    applySheetRemoval(globals, externSheets);
    if (drawingGroup) replaceDrawingGroup(globals, *drawingGroup);
    if (headerPictureGroup) replaceHeaderPictureGroup(globals, *headerPictureGroup);
    globals.records.erase(globals.records.begin() + static_cast<std::ptrdiff_t>(boundSheet));
    const std::size_t gone = stream.sheetSubstream[tab];
    stream.substreams.erase(stream.substreams.begin() + static_cast<std::ptrdiff_t>(gone));
    stream.sheetSubstream.erase(stream.sheetSubstream.begin() + static_cast<std::ptrdiff_t>(tab));
    for (auto& s : stream.sheetSubstream)
        if (s > gone) --s;

    FormulaPassEdits edits;
    edits.deadIxti = externSheets.deadIxti;
    edits.names = removeNamesOfSheet(globals, tab);
    edits.selfIxti = selfXtis(globals);
    std::size_t leftAsStored = 0;
    applyFormulaPass(globals, edits, leftAsStored);
    for (auto& s : stream.substreams) applyFormulaPassToSheet(s, edits, leftAsStored);

    removeTabId(globals, tab);
    mendWindowsAfterDelete(stream, tab, visibilityAfter);
    return leftAsStored;
}

}  // namespace xls::ops

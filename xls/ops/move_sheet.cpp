#include "ops/move_sheet.h"

#include <algorithm>

#include "ops/defined_names.h"
#include "ops/extern_sheets.h"
#include "ops/record_runs.h"
#include "ops/sheet_windows.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

constexpr std::size_t kTabIdSize = 2;

// Puts items[tab] at newTab, the items between moving up or down one.
template <typename T>
void moveItem(std::vector<T>& items, std::size_t tab, std::size_t newTab) {
    T item = std::move(items[tab]);
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(tab));
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(newTab), std::move(item));
}

// RRTabId holds one tab id per sheet in tab order: the moved sheet's goes along.
void moveTabId(model::Substream& globals, std::size_t tab, std::size_t newTab) {
    for (auto& r : globals.records) {
        if (r.type != RecordType::RRTabId) continue;
        if (r.payload.size() < (std::max(tab, newTab) + 1) * kTabIdSize) return;
        std::vector<std::vector<std::uint8_t>> ids;
        for (std::size_t at = 0; at + kTabIdSize <= r.payload.size(); at += kTabIdSize)
            ids.emplace_back(r.payload.begin() + static_cast<std::ptrdiff_t>(at),
                             r.payload.begin() + static_cast<std::ptrdiff_t>(at + kTabIdSize));
        moveItem(ids, tab, newTab);
        for (std::size_t i = 0; i < ids.size(); ++i)
            std::copy(ids[i].begin(), ids[i].end(),
                      r.payload.begin() + static_cast<std::ptrdiff_t>(i * kTabIdSize));
        return;
    }
}

// The substream goes right behind the one of the sheet now before it, so a
// stream that held its sheets in tab order still does.
void moveSubstream(model::WorkbookStream& stream, std::size_t newTab) {
    const std::size_t from = stream.sheetSubstream[newTab];
    model::Substream moved = std::move(stream.substreams[from]);
    stream.substreams.erase(stream.substreams.begin() + static_cast<std::ptrdiff_t>(from));
    for (auto& s : stream.sheetSubstream)
        if (s > from) --s;
    const std::size_t to = newTab == 0 ? 0 : stream.sheetSubstream[newTab - 1] + 1;
    for (std::size_t tab = 0; tab < stream.sheetSubstream.size(); ++tab)
        if (tab != newTab && stream.sheetSubstream[tab] >= to) ++stream.sheetSubstream[tab];
    stream.substreams.insert(stream.substreams.begin() + static_cast<std::ptrdiff_t>(to),
                             std::move(moved));
    stream.sheetSubstream[newTab] = to;
}

}  // namespace

std::vector<std::size_t> tabOrderAfterMove(std::size_t sheetCount, std::size_t tab,
                                           std::size_t newTab) {
    std::vector<std::size_t> order(sheetCount);
    for (std::size_t i = 0; i < sheetCount; ++i) order[i] = i;
    moveItem(order, tab, newTab);
    std::vector<std::size_t> newTabOf(sheetCount);
    for (std::size_t i = 0; i < sheetCount; ++i) newTabOf[order[i]] = i;
    return newTabOf;
}

void moveSheetRecords(model::WorkbookStream& stream, std::size_t tab, std::size_t newTab) {
    auto& globals = stream.globals;
    std::vector<std::size_t> bound;
    for (std::size_t i = 0; i < globals.records.size(); ++i)
        if (globals.records[i].type == RecordType::BoundSheet8) bound.push_back(i);
    const std::size_t count = stream.sheetSubstream.size();
    if (bound.size() != count || tab >= count || newTab >= count)
        fail(ErrorCode::SheetNotFound, "tab " + std::to_string(std::max(tab, newTab)));
    if (tab == newTab) return;
    const auto newTabOf = tabOrderAfterMove(count, tab, newTab);
    // Everything that can find the records damaged runs first, so a refusal
    // leaves the workbook as it was.
    const ExternSheetReorder externSheets = planSheetReorder(globals, newTabOf);
    checkNamesReadable(globals);

    std::vector<model::Record> boundSheets;
    for (std::size_t at : bound) boundSheets.push_back(std::move(globals.records[at]));
    moveItem(boundSheets, tab, newTab);
    for (std::size_t i = 0; i < bound.size(); ++i)
        globals.records[bound[i]] = std::move(boundSheets[i]);
    moveItem(stream.sheetSubstream, tab, newTab);
    moveSubstream(stream, newTab);

    applySheetReorder(globals, externSheets);
    followSheetsToNewTabs(globals, newTabOf);
    moveTabId(globals, tab, newTab);
    mendWindowsAfterMove(globals, newTabOf);
}

}  // namespace xls::ops

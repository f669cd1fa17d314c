#include "ops/sheet_windows.h"

#include <algorithm>

#include "ops/record_runs.h"

namespace xls::ops {

using biff::RecordType;

namespace {

constexpr std::size_t kItabCurOffset = 10;
constexpr std::size_t kItabFirstOffset = 12;
constexpr std::size_t kCtabSelOffset = 14;
constexpr std::uint16_t kFSelected = 0x0200;
constexpr std::uint16_t kFPaged = 0x0400;

// The sheet's own Window2 (not one of an embedded chart): the first at depth 1.
model::Record* sheetWindow2(model::Substream& s) {
    int depth = 0;
    for (auto& r : s.records) {
        if (r.type == RecordType::BOF) ++depth;
        if (r.type == RecordType::EOF_) --depth;
        if (depth == 1 && r.type == RecordType::Window2 && r.payload.size() >= 2) return &r;
    }
    return nullptr;
}

// The sheet that becomes active when the active one goes: the next visible
// sheet, else the nearest visible one before it, as the application does.
std::size_t nextActive(std::size_t deletedTab, const std::vector<Visibility>& visibility) {
    for (std::size_t i = deletedTab; i < visibility.size(); ++i)
        if (visibility[i] == Visibility::Visible) return i;
    for (std::size_t i = std::min(deletedTab, visibility.size()); i-- > 0;)
        if (visibility[i] == Visibility::Visible) return i;
    return 0;
}

std::uint16_t shifted(std::uint16_t itab, std::size_t deletedTab) {
    return itab > deletedTab ? static_cast<std::uint16_t>(itab - 1) : itab;
}

}  // namespace

void mendWindowsAfterDelete(model::WorkbookStream& stream, std::size_t deletedTab,
                            const std::vector<Visibility>& visibility) {
    if (visibility.empty()) return;
    const auto last = static_cast<std::uint16_t>(visibility.size() - 1);
    std::vector<model::Record*> window2;
    for (std::size_t tab = 0; tab < stream.sheetSubstream.size(); ++tab)
        window2.push_back(sheetWindow2(stream.substreams[stream.sheetSubstream[tab]]));

    bool first = true;
    for (auto& r : stream.globals.records) {
        if (r.type != RecordType::Window1 || r.payload.size() < kCtabSelOffset + 2) continue;
        const std::uint16_t cur = readU16(r.payload, kItabCurOffset, "Window1");
        const bool activeDeleted = cur == deletedTab;
        const std::uint16_t newCur =
            activeDeleted ? static_cast<std::uint16_t>(nextActive(deletedTab, visibility))
                          : std::min(shifted(cur, deletedTab), last);
        const std::uint16_t firstTab = std::min(
            {shifted(readU16(r.payload, kItabFirstOffset, "Window1"), deletedTab), last, newCur});
        writeU16(r.payload, kItabCurOffset, newCur, "Window1");
        writeU16(r.payload, kItabFirstOffset, firstTab, "Window1");
        if (!first) continue;
        first = false;
        // The first window's selection lives in each sheet's first Window2.
        if (activeDeleted) {
            for (std::size_t tab = 0; tab < window2.size(); ++tab) {
                if (!window2[tab]) continue;
                std::uint16_t flags = readU16(window2[tab]->payload, 0, "Window2");
                flags = static_cast<std::uint16_t>(flags & ~kFPaged);
                if (tab == newCur) flags |= kFSelected | kFPaged;
                writeU16(window2[tab]->payload, 0, flags, "Window2");
            }
        }
        std::uint16_t selected = 0;
        for (auto* w : window2)
            if (w && (readU16(w->payload, 0, "Window2") & kFSelected)) ++selected;
        writeU16(r.payload, kCtabSelOffset, std::max<std::uint16_t>(selected, 1), "Window1");
    }
}

void mendWindowsAfterMove(model::Substream& globals, const std::vector<std::size_t>& newTabOf) {
    for (auto& r : globals.records) {
        if (r.type != RecordType::Window1 || r.payload.size() < kItabFirstOffset + 2) continue;
        const std::uint16_t cur = readU16(r.payload, kItabCurOffset, "Window1");
        if (cur >= newTabOf.size()) continue;
        const auto newCur = static_cast<std::uint16_t>(newTabOf[cur]);
        const std::uint16_t firstTab = readU16(r.payload, kItabFirstOffset, "Window1");
        writeU16(r.payload, kItabCurOffset, newCur, "Window1");
        writeU16(r.payload, kItabFirstOffset, std::min(firstTab, newCur), "Window1");
    }
}

}  // namespace xls::ops

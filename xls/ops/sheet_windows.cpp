#include "ops/sheet_windows.h"

#include <algorithm>

#include "model/records/windows.h"

namespace xls::ops {

using biff::RecordType;

namespace {

// The sheet's own Window2 (not one of an embedded chart): the first at depth 1.
model::Record* sheetWindow2(model::Substream& s) {
    int depth = 0;
    for (auto& r : s.records) {
        if (r.type == RecordType::BOF) ++depth;
        if (r.type == RecordType::EOF_) --depth;
        if (depth == 1 && r.type == RecordType::Window2 &&
            model::records::readWindow2TabFlags(r.payload))
            return &r;
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
        if (r.type != RecordType::Window1) continue;
        auto window = model::records::readWindow1(r.payload);
        if (!window) continue;
        const bool activeDeleted = window->itabCur == deletedTab;
        window->itabCur = activeDeleted
                              ? static_cast<std::uint16_t>(nextActive(deletedTab, visibility))
                              : std::min(shifted(window->itabCur, deletedTab), last);
        window->itabFirst =
            std::min({shifted(window->itabFirst, deletedTab), last, window->itabCur});
        if (first) {
            first = false;
            // The first window's selection lives in each sheet's first Window2.
            if (activeDeleted) {
                for (std::size_t tab = 0; tab < window2.size(); ++tab) {
                    if (!window2[tab]) continue;
                    auto flags = *model::records::readWindow2TabFlags(window2[tab]->payload);
                    flags.fPaged = tab == window->itabCur;
                    if (flags.fPaged) flags.fSelected = true;
                    model::records::writeWindow2TabFlags(window2[tab]->payload, flags);
                }
            }
            std::uint16_t selected = 0;
            for (auto* w : window2)
                if (w && model::records::readWindow2TabFlags(w->payload)->fSelected) ++selected;
            window->ctabSel = std::max<std::uint16_t>(selected, 1);
        }
        model::records::writeWindow1(r.payload, *window);
    }
}

void mendWindowsAfterMove(model::Substream& globals, const std::vector<std::size_t>& newTabOf) {
    for (auto& r : globals.records) {
        if (r.type != RecordType::Window1) continue;
        auto window = model::records::readWindow1(r.payload);
        if (!window || window->itabCur >= newTabOf.size()) continue;
        window->itabCur = static_cast<std::uint16_t>(newTabOf[window->itabCur]);
        window->itabFirst = std::min(window->itabFirst, window->itabCur);
        model::records::writeWindow1(r.payload, *window);
    }
}

}  // namespace xls::ops

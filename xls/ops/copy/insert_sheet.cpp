#include "ops/copy/insert_sheet.h"

#include <algorithm>

#include "ops/extern_sheets.h"
#include "ops/record_runs.h"
#include "xls/error.h"

namespace xls::ops::copy {

using biff::RecordType;

namespace {

constexpr std::uint16_t kSelfReference = 0x0401;  // SupBook.cch of this workbook
constexpr std::size_t kXtiSize = 6;
constexpr std::size_t kLblItabOffset = 8;
constexpr std::size_t kItabCurOffset = 10;
constexpr std::size_t kItabFirstOffset = 12;
constexpr std::uint16_t kFSelected = 0x0200;
constexpr std::uint16_t kFPaged = 0x0400;
constexpr std::uint16_t kMaxTabId = 0xFFFE;

// An itab of this workbook's sheets after a sheet is put in at newTab: -1
// (#REF!) and -2 (the workbook) are no sheets and stay.
std::uint16_t shiftedItab(std::uint16_t stored, std::size_t newTab) {
    const auto itab = static_cast<std::int16_t>(stored);
    if (itab < 0 || static_cast<std::size_t>(itab) < newTab) return stored;
    return static_cast<std::uint16_t>(itab + 1);
}

bool isSelfSupBook(const model::Record& r) {
    return r.type == RecordType::SupBook && r.payload.size() >= 4 &&
           readU16(r.payload, 2, "SupBook") == kSelfReference;
}

void shiftExternSheet(model::Substream& globals, std::size_t newTab) {
    const std::optional<std::uint16_t> self = selfSupBookIndex(globals);
    if (!self) return;
    for (std::size_t i = 0; i < globals.records.size(); ++i) {
        if (globals.records[i].type != RecordType::ExternSheet) continue;
        const RecordRun run = runAt(globals.records, i);
        auto joined = joinedPayload(globals.records, run);
        const std::uint16_t count = readU16(joined, 0, "ExternSheet");
        if (joined.size() < 2 + std::size_t{count} * kXtiSize)
            fail(ErrorCode::CorruptWorkbook, "ExternSheet: fewer XTIs than it declares");
        for (std::size_t x = 2; x < 2 + std::size_t{count} * kXtiSize; x += kXtiSize) {
            if (readU16(joined, x, "XTI") != *self) continue;
            writeU16(joined, x + 2, shiftedItab(readU16(joined, x + 2, "XTI"), newTab), "XTI");
            writeU16(joined, x + 4, shiftedItab(readU16(joined, x + 4, "XTI"), newTab), "XTI");
        }
        spreadPayload(globals.records, run, joined);
        return;
    }
}

void shiftLocalNames(model::Substream& globals, std::size_t newTab) {
    for (auto& r : globals.records) {
        if (r.type != RecordType::Lbl) continue;
        if (r.payload.size() < kLblItabOffset + 2)
            fail(ErrorCode::CorruptWorkbook, "Lbl too short to hold its itab");
    }
    for (auto& r : globals.records) {
        if (r.type != RecordType::Lbl) continue;
        const std::uint16_t itab = readU16(r.payload, kLblItabOffset, "Lbl");  // 1-based, 0 global
        if (itab != 0 && itab - 1u >= newTab)
            writeU16(r.payload, kLblItabOffset, static_cast<std::uint16_t>(itab + 1), "Lbl");
    }
}

void addSelfSheetCount(model::Substream& globals) {
    for (auto& r : globals.records) {
        if (!isSelfSupBook(r)) continue;
        const std::uint16_t ctab = readU16(r.payload, 0, "SupBook");
        writeU16(r.payload, 0, static_cast<std::uint16_t>(ctab + 1), "SupBook");
        return;
    }
}

// RRTabId lists a unique id per sheet in tab order: the new sheet takes one
// no sheet has.
void insertTabId(model::Substream& globals, std::size_t newTab) {
    for (auto& r : globals.records) {
        if (r.type != RecordType::RRTabId) continue;
        std::uint16_t highest = 0;
        for (std::size_t at = 0; at + 2 <= r.payload.size(); at += 2)
            highest = std::max(highest, readU16(r.payload, at, "RRTabId"));
        if (highest >= kMaxTabId) return;
        const std::size_t at = std::min(newTab * 2, r.payload.size() & ~std::size_t{1});
        const auto id = static_cast<std::uint16_t>(highest + 1);
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(id & 0xFF),
                                       static_cast<std::uint8_t>(id >> 8)};
        r.payload.insert(r.payload.begin() + static_cast<std::ptrdiff_t>(at), bytes, bytes + 2);
        return;
    }
}

void shiftWindows(model::Substream& globals, std::size_t newTab) {
    for (auto& r : globals.records) {
        if (r.type != RecordType::Window1 || r.payload.size() < kItabFirstOffset + 2) continue;
        for (std::size_t at : {kItabCurOffset, kItabFirstOffset}) {
            const std::uint16_t itab = readU16(r.payload, at, "Window1");
            if (itab >= newTab)
                writeU16(r.payload, at, static_cast<std::uint16_t>(itab + 1), "Window1");
        }
    }
}

// The copy's own Window2 (not an embedded chart's): neither selected nor shown.
void unselect(model::Substream& sheet) {
    int depth = 0;
    for (auto& r : sheet.records) {
        if (r.type == RecordType::BOF) ++depth;
        if (r.type == RecordType::EOF_) --depth;
        if (depth == 1 && r.type == RecordType::Window2 && r.payload.size() >= 2) {
            const std::uint16_t flags = readU16(r.payload, 0, "Window2");
            writeU16(r.payload, 0, static_cast<std::uint16_t>(flags & ~(kFSelected | kFPaged)),
                     "Window2");
        }
    }
}

}  // namespace

void shiftTabsForInsert(model::Substream& globals, std::size_t newTab) {
    shiftLocalNames(globals, newTab);
    shiftExternSheet(globals, newTab);
}

void insertSheet(model::WorkbookStream& stream, std::size_t newTab,
                 std::vector<std::uint8_t> boundSheet, model::Substream substream) {
    auto& globals = stream.globals;
    std::vector<std::size_t> bound;
    for (std::size_t i = 0; i < globals.records.size(); ++i)
        if (globals.records[i].type == RecordType::BoundSheet8) bound.push_back(i);
    if (bound.empty() || newTab > bound.size() || newTab > stream.sheetSubstream.size())
        fail(ErrorCode::SheetNotFound, "tab " + std::to_string(newTab));
    const std::size_t recordAt = newTab < bound.size() ? bound[newTab] : bound.back() + 1;
    globals.records.insert(globals.records.begin() + static_cast<std::ptrdiff_t>(recordAt),
                           model::Record(RecordType::BoundSheet8, std::move(boundSheet)));

    // The substream goes right behind the one of the sheet before it, so the
    // stream keeps its sheets in tab order where it had them so.
    const std::size_t substreamAt = newTab == 0 ? 0 : stream.sheetSubstream[newTab - 1] + 1;
    for (auto& s : stream.sheetSubstream)
        if (s >= substreamAt) ++s;
    unselect(substream);
    stream.substreams.insert(stream.substreams.begin() + static_cast<std::ptrdiff_t>(substreamAt),
                             std::move(substream));
    stream.sheetSubstream.insert(
        stream.sheetSubstream.begin() + static_cast<std::ptrdiff_t>(newTab), substreamAt);

    addSelfSheetCount(globals);
    insertTabId(globals, newTab);
    shiftWindows(globals, newTab);
}

}  // namespace xls::ops::copy

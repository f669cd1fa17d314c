#include "ops/extern_sheets.h"

#include <tuple>

#include "ops/record_runs.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

constexpr std::uint16_t kSelfReference = 0x0401;  // SupBook.cch of this workbook
constexpr std::size_t kXtiSize = 6;
constexpr std::int16_t kNoSheet = -1;  // itab of a sheet that is gone: #REF!

std::optional<std::size_t> selfSupBookRecord(const model::Substream& globals) {
    for (std::size_t i = 0; i < globals.records.size(); ++i) {
        const auto& r = globals.records[i];
        if (r.type == RecordType::SupBook && r.payload.size() >= 4 &&
            readU16(r.payload, 2, "SupBook") == kSelfReference)
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> externSheetRecord(const model::Substream& globals) {
    for (std::size_t i = 0; i < globals.records.size(); ++i)
        if (globals.records[i].type == RecordType::ExternSheet) return i;
    return std::nullopt;
}

// New (itabFirst, itabLast) of a self XTI once sheet tab is gone.
std::pair<std::int16_t, std::int16_t> shiftRange(std::int16_t first, std::int16_t last, int tab) {
    if (first < 0 || last < 0) return {first, last};  // already #REF! or workbook-level
    if (first == tab && last == tab) return {kNoSheet, kNoSheet};
    auto shift = [tab](std::int16_t itab, bool isLast) -> std::int16_t {
        if (itab > tab) return static_cast<std::int16_t>(itab - 1);
        if (itab == tab && isLast) return static_cast<std::int16_t>(itab - 1);
        return itab;  // before it, or the first end: the next sheet takes its place
    };
    if (first <= last) return {shift(first, false), shift(last, true)};
    return {shift(first, true), shift(last, false)};  // ends stored the other way round
}

}  // namespace

std::optional<std::uint16_t> selfSupBookIndex(const model::Substream& globals) {
    std::uint16_t index = 0;
    for (const auto& r : globals.records) {
        if (r.type != RecordType::SupBook) continue;
        if (r.payload.size() >= 4 && readU16(r.payload, 2, "SupBook") == kSelfReference)
            return index;
        ++index;
    }
    return std::nullopt;
}

std::set<std::uint16_t> selfXtis(const model::Substream& globals) {
    std::set<std::uint16_t> found;
    const auto self = selfSupBookIndex(globals);
    const auto at = externSheetRecord(globals);
    if (!self || !at) return found;
    const auto joined = joinedPayload(globals.records, runAt(globals.records, *at));
    const std::uint16_t count = readU16(joined, 0, "ExternSheet");
    for (std::uint16_t i = 0; i < count; ++i) {
        if (readU16(joined, 2 + i * kXtiSize, "ExternSheet") == *self) found.insert(i);
    }
    return found;
}

namespace {

// The ExternSheet table joined, each self XTI's (itabFirst, itabLast) given
// by edit(ixti, first, last).
template <typename Edit>
std::pair<std::optional<std::size_t>, std::vector<std::uint8_t>> editSelfXtis(
    const model::Substream& globals, Edit&& edit) {
    const auto self = selfSupBookIndex(globals);
    const auto record = externSheetRecord(globals);
    if (!self || !record) return {record, {}};
    auto joined = joinedPayload(globals.records, runAt(globals.records, *record));
    const std::uint16_t count = readU16(joined, 0, "ExternSheet");
    if (joined.size() < 2 + std::size_t{count} * kXtiSize)
        fail(ErrorCode::CorruptWorkbook, "ExternSheet: fewer XTIs than it declares");
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t xti = 2 + i * kXtiSize;
        if (readU16(joined, xti, "XTI") != *self) continue;
        const auto first = static_cast<std::int16_t>(readU16(joined, xti + 2, "XTI"));
        const auto last = static_cast<std::int16_t>(readU16(joined, xti + 4, "XTI"));
        const auto [newFirst, newLast] = edit(i, first, last);
        writeU16(joined, xti + 2, static_cast<std::uint16_t>(newFirst), "XTI");
        writeU16(joined, xti + 4, static_cast<std::uint16_t>(newLast), "XTI");
    }
    return {record, std::move(joined)};
}

void writeBack(model::Substream& globals, const std::optional<std::size_t>& record,
               const std::vector<std::uint8_t>& joined) {
    if (record && !joined.empty())
        spreadPayload(globals.records, runAt(globals.records, *record), joined);
}

}  // namespace

ExternSheetRemoval planSheetRemoval(const model::Substream& globals, std::size_t tab) {
    ExternSheetRemoval plan;
    std::tie(plan.record, plan.joined) =
        editSelfXtis(globals, [&](std::uint16_t ixti, std::int16_t first, std::int16_t last) {
            const auto range = shiftRange(first, last, static_cast<int>(tab));
            if (range.first == kNoSheet && first != kNoSheet) plan.deadIxti.insert(ixti);
            return range;
        });
    return plan;
}

ExternSheetReorder planSheetReorder(const model::Substream& globals,
                                    const std::vector<std::size_t>& newTabOf) {
    auto moved = [&](std::int16_t itab) {
        if (itab < 0 || static_cast<std::size_t>(itab) >= newTabOf.size()) return itab;
        return static_cast<std::int16_t>(newTabOf[static_cast<std::size_t>(itab)]);
    };
    ExternSheetReorder plan;
    std::tie(plan.record, plan.joined) =
        editSelfXtis(globals, [&](std::uint16_t, std::int16_t first, std::int16_t last) {
            const std::int16_t a = moved(first);
            const std::int16_t b = moved(last);
            // A 3-D range whose ends changed order spans the sheets between them.
            return (first <= last) == (a <= b) ? std::pair{a, b} : std::pair{b, a};
        });
    return plan;
}

void applySheetReorder(model::Substream& globals, const ExternSheetReorder& plan) {
    writeBack(globals, plan.record, plan.joined);
}

void applySheetRemoval(model::Substream& globals, const ExternSheetRemoval& plan) {
    if (const auto self = selfSupBookRecord(globals)) {
        auto& payload = globals.records[*self].payload;
        const std::uint16_t ctab = readU16(payload, 0, "SupBook");
        if (ctab > 0) writeU16(payload, 0, static_cast<std::uint16_t>(ctab - 1), "SupBook");
    }
    if (plan.record && !plan.joined.empty())
        spreadPayload(globals.records, runAt(globals.records, *plan.record), plan.joined);
}

}  // namespace xls::ops

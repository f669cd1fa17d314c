#include "ops/extern_sheets.h"

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

ExternSheetRemoval planSheetRemoval(const model::Substream& globals, std::size_t tab) {
    ExternSheetRemoval plan;
    const auto self = selfSupBookIndex(globals);
    plan.record = externSheetRecord(globals);
    if (!self || !plan.record) return plan;
    plan.joined = joinedPayload(globals.records, runAt(globals.records, *plan.record));
    auto& joined = plan.joined;
    const std::uint16_t count = readU16(joined, 0, "ExternSheet");
    if (joined.size() < 2 + std::size_t{count} * kXtiSize)
        fail(ErrorCode::CorruptWorkbook, "ExternSheet: fewer XTIs than it declares");
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t xti = 2 + i * kXtiSize;
        if (readU16(joined, xti, "XTI") != *self) continue;
        const auto first = static_cast<std::int16_t>(readU16(joined, xti + 2, "XTI"));
        const auto last = static_cast<std::int16_t>(readU16(joined, xti + 4, "XTI"));
        const auto [newFirst, newLast] = shiftRange(first, last, static_cast<int>(tab));
        if (newFirst == kNoSheet && first != kNoSheet) plan.deadIxti.insert(i);
        writeU16(joined, xti + 2, static_cast<std::uint16_t>(newFirst), "XTI");
        writeU16(joined, xti + 4, static_cast<std::uint16_t>(newLast), "XTI");
    }
    return plan;
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

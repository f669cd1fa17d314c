#include "ops/extern_sheets.h"

#include <tuple>

#include "model/records/external_refs.h"
#include "ops/record_runs.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;
using model::records::kNoSheet;
using model::records::readSupBookHeader;

namespace {

bool isSelfSupBook(const model::Record& r) {
    if (r.type != RecordType::SupBook) return false;
    const auto header = readSupBookHeader(r.payload);
    return header && header->isSelfReference();
}

std::optional<std::size_t> selfSupBookRecord(const model::Substream& globals) {
    for (std::size_t i = 0; i < globals.records.size(); ++i)
        if (isSelfSupBook(globals.records[i])) return i;
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
        if (isSelfSupBook(r)) return index;
        ++index;
    }
    return std::nullopt;
}

std::set<std::uint16_t> selfXtis(const model::Substream& globals) {
    std::set<std::uint16_t> found;
    const auto self = selfSupBookIndex(globals);
    const auto at = externSheetRecord(globals);
    if (!self || !at) return found;
    const auto xtis = model::records::readExternSheet(
        joinedPayload(globals.records, runAt(globals.records, *at)));
    for (std::size_t i = 0; i < xtis.size(); ++i)
        if (xtis[i].iSupBook == *self) found.insert(static_cast<std::uint16_t>(i));
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
    auto xtis = model::records::readExternSheet(joined);
    for (std::size_t i = 0; i < xtis.size(); ++i) {
        auto& xti = xtis[i];
        if (xti.iSupBook != *self) continue;
        std::tie(xti.itabFirst, xti.itabLast) =
            edit(static_cast<std::uint16_t>(i), xti.itabFirst, xti.itabLast);
    }
    model::records::writeExternSheet(joined, xtis);
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
        auto header = *readSupBookHeader(payload);
        if (header.ctab > 0) {
            --header.ctab;
            model::records::writeSupBookHeader(payload, header);
        }
    }
    if (plan.record && !plan.joined.empty())
        spreadPayload(globals.records, runAt(globals.records, *plan.record), plan.joined);
}

}  // namespace xls::ops

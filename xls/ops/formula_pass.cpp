#include "ops/formula_pass.h"

#include <utility>

#include "biff/formula_rewrite.h"
#include "io/byte_reader.h"
#include "model/stored_records.h"
#include "ops/formula_fields.h"
#include "ops/record_runs.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

constexpr std::uint8_t kPtgExp = 0x01;
constexpr std::uint8_t kErrRef = 0x17;                 // #REF!
constexpr std::uint16_t kFormulaValueMarker = 0xFFFF;  // fExprO: not a number
constexpr std::uint8_t kResultString = 0x00;
constexpr std::uint8_t kResultError = 0x02;
constexpr std::uint16_t kFAlwaysCalc = 0x0001;

using Anchor = std::pair<std::uint16_t, std::uint16_t>;  // row, column

std::optional<std::uint32_t> renumbered(const NameRenumbering& names, std::uint32_t index) {
    if (names.empty() || index == 0 || index >= names.size()) return std::nullopt;
    return names[index];
}

// True when the formula reaches the deleted sheet or a removed name.
bool reachesDeleted(std::span<const std::uint8_t> rgce, const FormulaPassEdits& edits) {
    for (const auto& token : biff::walkFormulaTokens(rgce)) {
        if (token.hasIxti() && token.base != biff::PtgBase::NameX &&
            edits.deadIxti.count(biff::tokenIxti(rgce, token)))
            return true;
        if (token.base == biff::PtgBase::Name &&
            renumbered(edits.names, biff::tokenNameIndex(rgce, token)) == 0u)
            return true;
        if (token.base == biff::PtgBase::NameX &&
            edits.selfIxti.count(biff::tokenIxti(rgce, token)) &&
            renumbered(edits.names, biff::tokenNameIndex(rgce, token)) == 0u)
            return true;
    }
    return false;
}

std::optional<Anchor> sharedAnchor(std::span<const std::uint8_t> rgce) {
    if (rgce.size() != 5 || rgce[0] != kPtgExp) return std::nullopt;
    return Anchor{readU16(rgce, 1, "PtgExp"), readU16(rgce, 3, "PtgExp")};
}

// ShrFmla and Array formulas that reach the deleted sheet, by their first
// cell, which the PtgExp of the cells sharing them names.
void collectDeadShared(const std::vector<model::Record>& records, const FormulaPassEdits& edits,
                       std::set<Anchor>& dead) {
    for (const auto& r : records) {
        if (r.type != RecordType::ShrFmla && r.type != RecordType::Array) continue;
        try {
            for (const auto& f : formulaFields(r.type, r.payload)) {
                if (!reachesDeleted(std::span(r.payload).subspan(f.offset, f.size), edits))
                    continue;
                // RefU: rwFirst, rwLast, colFirst: the first cell of the range.
                io::ByteReader ref(r.payload, ErrorCode::CorruptWorkbook, "ShrFmla");
                const std::uint16_t row = ref.u16();
                ref.skip(2);
                dead.insert({row, ref.u8()});
            }
        } catch (const Error&) {
            // A formula we cannot read keeps its bytes; rewriteRecords counts it.
        }
    }
}

void showRefError(std::vector<std::uint8_t>& formula) {
    auto value = std::span(formula).subspan(kFormulaValueOffset, 8);
    const bool stringResult =
        value[0] == kResultString && readU16(value, 6, "Formula") == kFormulaValueMarker;
    // A string result has its String record after the formula; replacing it
    // would leave that record orphaned, so the text stays until recalculation.
    if (!stringResult) {
        const std::uint8_t error[8] = {kResultError, 0, kErrRef, 0, 0, 0, 0xFF, 0xFF};
        std::copy(std::begin(error), std::end(error), value.begin());
    }
    const std::uint16_t flags = readU16(formula, kFormulaFlagsOffset, "Formula");
    writeU16(formula, kFormulaFlagsOffset, flags | kFAlwaysCalc, "Formula");
}

// Edits one formula record (with its Continue records) in a copy, and writes
// the copy back only when every field of it was read: all or nothing.
bool rewriteRecord(std::vector<model::Record>& records, RecordRun run,
                   const FormulaPassEdits& edits, const biff::FormulaEdits& rewrite,
                   const std::set<Anchor>& deadShared) {
    auto joined = joinedPayload(records, run);
    bool touched = false;
    for (const auto& f : formulaFields(records[run.first].type, joined)) {
        auto rgce = std::span(joined).subspan(f.offset, f.size);
        bool dead = false;
        if (records[run.first].type == RecordType::Formula) {
            const auto anchor = sharedAnchor(rgce);
            dead = (anchor && deadShared.count(*anchor)) || reachesDeleted(rgce, edits);
        }
        if (!edits.names.empty() && biff::rewriteFormula(rgce, rewrite)) touched = true;
        if (dead) {
            showRefError(joined);
            touched = true;
        }
    }
    if (touched) spreadPayload(records, run, joined);
    return touched;
}

biff::FormulaEdits tokenEdits(const FormulaPassEdits& edits) {
    biff::FormulaEdits rewrite;
    if (!edits.names.empty()) {
        rewrite.name = [&edits](std::uint32_t index) { return renumbered(edits.names, index); };
        rewrite.nameX = [&edits](std::uint16_t ixti,
                                 std::uint32_t index) -> std::optional<std::uint32_t> {
            if (!edits.selfIxti.count(ixti)) return std::nullopt;
            return renumbered(edits.names, index);
        };
    }
    return rewrite;
}

std::size_t rewriteRecords(std::vector<model::Record>& records, const FormulaPassEdits& edits,
                           const std::set<Anchor>& deadShared, std::size_t& leftAsStored) {
    const biff::FormulaEdits rewrite = tokenEdits(edits);
    std::size_t changed = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!carriesFormula(records[i].type)) continue;
        const RecordRun run = runAt(records, i);
        i = run.end - 1;
        try {
            if (rewriteRecord(records, run, edits, rewrite, deadShared)) ++changed;
        } catch (const Error&) {
            // A formula record we cannot read is left as it is: the edit goes on
            // for the rest of the workbook rather than half done.
            ++leftAsStored;
        }
    }
    return changed;
}

bool nothingToDo(const FormulaPassEdits& edits) {
    return edits.deadIxti.empty() && edits.names.empty();
}

}  // namespace

std::size_t applyFormulaPass(model::Substream& substream, const FormulaPassEdits& edits,
                             std::size_t& leftAsStored) {
    if (nothingToDo(edits)) return 0;
    std::set<Anchor> deadShared;
    collectDeadShared(substream.records, edits, deadShared);
    return rewriteRecords(substream.records, edits, deadShared, leftAsStored);
}

std::size_t applyFormulaPassToSheet(model::Substream& substream, const FormulaPassEdits& edits,
                                    std::size_t& leftAsStored) {
    if (nothingToDo(edits)) return 0;
    if (substream.loaded) return applyFormulaPass(substream, edits, leftAsStored);
    // Twice through the stored records: the shared formulas first, since a
    // cell's PtgExp may come before the ShrFmla it names in another chunk.
    std::set<Anchor> deadShared;
    collectDeadShared(substream.records, edits, deadShared);
    model::readStoredRecords(
        substream,
        [&](const std::vector<model::Record>& chunk) {
            collectDeadShared(chunk, edits, deadShared);
        },
        [](RecordType type) { return type == RecordType::ShrFmla || type == RecordType::Array; });
    std::size_t changed = rewriteRecords(substream.records, edits, deadShared, leftAsStored);
    model::editStoredRecords(
        substream,
        [&](std::vector<model::Record>& chunk) {
            changed += rewriteRecords(chunk, edits, deadShared, leftAsStored);
        },
        // A formula's record and the Continue records that carry the rest of it.
        [](RecordType type) { return carriesFormula(type) || type == RecordType::Continue; });
    return changed;
}

}  // namespace xls::ops

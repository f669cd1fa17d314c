#include "ops/copy/repoint_formulas.h"

#include <string>

#include "biff/formula_rewrite.h"
#include "ops/formula_fields.h"
#include "ops/record_runs.h"
#include "xls/error.h"

namespace xls::ops {

using biff::RecordType;

namespace {

std::uint32_t mapped(const IndexMap& map, std::uint32_t index, const char* what) {
    if (index >= map.size())
        fail(ErrorCode::CorruptWorkbook, std::string("a formula refers to ") + what + " " +
                                             std::to_string(index) + ", which the workbook lacks");
    return map[index];
}

biff::FormulaEdits tokenEdits(const FormulaMaps& maps) {
    biff::FormulaEdits edits;
    if (maps.xtis) {
        edits.ixti = [&maps](std::uint16_t ixti) -> std::optional<std::uint16_t> {
            const std::uint32_t to = mapped(*maps.xtis, ixti, "ExternSheet entry");
            if (to > 0xFFFF) throw std::logic_error("repointFormulas: ixti past 16 bits");
            return static_cast<std::uint16_t>(to);
        };
    }
    if (maps.names) {
        edits.name = [&maps](std::uint32_t index) -> std::optional<std::uint32_t> {
            return mapped(*maps.names, index, "defined name");
        };
    }
    if (maps.externNames) edits.nameX = maps.externNames;
    return edits;
}

}  // namespace

bool carriesSheetFormula(RecordType type) {
    switch (type) {
        case RecordType::Formula:
        case RecordType::ShrFmla:
        case RecordType::Array:
        case RecordType::CF:
        case RecordType::CF12:
        case RecordType::DV:
        case RecordType::Obj:
        case RecordType::TxO:
        case RecordType::BRAI:
            return true;
        default:
            return false;
    }
}

std::size_t repointFormulas(std::vector<model::Record>& chunk, const FormulaMaps& maps) {
    const biff::FormulaEdits edits = tokenEdits(maps);
    std::size_t changed = 0;
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        if (!carriesSheetFormula(chunk[i].type) || chunk[i].isStoredRun()) continue;
        const RecordRun run = runAt(chunk, i);
        i = run.end - 1;
        // Edited in a copy and written back whole, so a failure leaves the record as it was.
        joinedInto(chunk, run, joined);
        bool touched = false;
        for (const FormulaField& f : formulaFields(chunk[run.first].type, joined))
            touched |= biff::rewriteFormula(std::span(joined).subspan(f.offset, f.size), edits);
        if (!touched) continue;
        spreadPayload(chunk, run, joined);
        ++changed;
    }
    return changed;
}

}  // namespace xls::ops

// Re-points the formulas of a copied sheet at the destination's tables: the
// ixti of every 3-D reference and external name through the ExternSheet map,
// and every defined name through the name map. Each edit keeps the token's
// size, so jump offsets, PtgMem* byte counts and record lengths stay valid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "biff/record_type.h"
#include "model/workbook_stream.h"
#include "ops/copy/index_map.h"

namespace xls::ops {

struct FormulaMaps {
    // Source ixti -> destination ixti, for PtgRef3d, PtgArea3d, PtgRefErr3d,
    // PtgAreaErr3d and PtgNameX. Null: kept.
    const IndexMap* xtis = nullptr;
    // PtgName: 1-based source Lbl index -> destination Lbl index (entry 0
    // unused; 0 turns the token into #REF!). Null: kept.
    const IndexMap* names = nullptr;
    // PtgNameX's nameindex given the token's source ixti: a Lbl index when the
    // XTI goes through the self SupBook, else an ExternName of its SupBook.
    // Unset, or nullopt: kept; 0 turns the token into #REF!.
    std::function<std::optional<std::uint32_t>(std::uint16_t ixti, std::uint32_t nameIndex)>
        externNames;
};

// The records of a worksheet that hold formulas: Formula, ShrFmla, Array, CF,
// CF12, DV, Obj (macros, linked cells, input ranges), TxO (the cell its text
// comes from) and the series formulas (BRAI) of embedded charts. (Pivot tables
// hold some too; a copy refuses pivot tables, see SheetUsage.)
bool carriesSheetFormula(biff::RecordType type);

// Rewrites the formulas of a chunk of records in place (a record with all its
// Continue records in the chunk); other records and stand-ins stay as they
// are. Returns the number of records changed. Raises CorruptWorkbook for a
// formula that cannot be read or an index a given map does not cover; the
// record being edited is then left as it was.
std::size_t repointFormulas(std::vector<model::Record>& chunk, const FormulaMaps& maps);

}  // namespace xls::ops

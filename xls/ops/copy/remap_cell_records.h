// Rewrites the cell format (XF) and shared string indices of a copied sheet's
// records for the destination workbook, a chunk of records at a time, so a
// sheet of any size is never held whole. Every record keeps its size; records
// without such indices are left as they are.
#pragma once

#include <cstddef>
#include <vector>

#include "model/workbook_stream.h"
#include "ops/copy/index_map.h"

namespace xls::ops {

// Null maps leave their indices as they are.
struct CellMaps {
    const IndexMap* cellFormats = nullptr;    // source XF index -> destination XF index
    const IndexMap* sharedStrings = nullptr;  // source isst -> destination isst
    // Source FontIndex -> destination FontIndex, for the formatting runs of
    // RString cells (the shared strings' runs are remapped with the strings).
    const IndexMap* fonts = nullptr;
};

// Rewrites, in place, the ixfe of every cell record (Number, RK, MulRk,
// LabelSst, Label, RString, BoolErr, Blank, MulBlank, Formula), of Row records
// that set a format and of ColInfo records; the isst of LabelSst; the fonts
// of RString's runs. Stand-ins are stepped over. Returns the number of records
// changed. Raises CorruptWorkbook for a record too short for its fields or an
// index a given map does not cover (or maps past the field's range); the
// record at fault is then left as it was, the ones before it are rewritten.
std::size_t remapCellRecords(std::vector<model::Record>& chunk, const CellMaps& maps);

}  // namespace xls::ops

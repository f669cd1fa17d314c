// The fonts of a copied sheet's text objects (TxO: comments, text boxes)
// given their destination indices: each formatting run of the text, and the
// font of an empty text. The text and its runs come in the Continue records
// after the TxO record; every record keeps its size.
#pragma once

#include <cstddef>
#include <vector>

#include "model/workbook_stream.h"
#include "ops/copy/index_map.h"

namespace xls::ops::copy {

// fonts maps source FontIndex -> destination FontIndex. Returns the number of
// text objects changed. Raises CorruptWorkbook for a text object whose text
// or runs are cut short, or a font the map does not cover.
std::size_t remapTextObjectFonts(std::vector<model::Record>& records, const IndexMap& fonts);

}  // namespace xls::ops::copy

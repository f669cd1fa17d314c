// Where drawings sit among a workbook's records. A sheet's drawing is one
// run of OfficeArt bytes spread over its MsoDrawing records (each with any
// Continue records after it), with Obj, TxO and Note records between them;
// an embedded chart's substream inside the sheet holds a drawing of its own.
// Writers may also carry the drawing on in Continue records right after an
// Obj record, after the Continue records a TxO owns (its text, then its
// formatting runs), or after the EOF of an embedded chart's substream: those
// are pieces of the drawing too.
// The globals hold the drawing group in MsoDrawingGroup records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/workbook_stream.h"

namespace xls::ops {

// The records (indices) whose payloads, joined in order, make one drawing.
struct DrawingPieces {
    std::vector<std::size_t> records;
    std::size_t depth = 1;  // 1: the sheet's own; 2: an embedded chart's
};

// The Continue records a TxO at records[txo] owns: its text (cchText
// characters, each record opening with a byte saying how wide they are) from
// txo + 1 to runs, then its formatting runs (cbRuns bytes) up to end. Raises
// CorruptWorkbook when the TxO, its text or its runs are cut short.
struct TextObjectParts {
    std::size_t runs = 0;
    std::size_t end = 0;
};
TextObjectParts textObjectParts(const std::vector<model::Record>& records, std::size_t txo);

// The drawings of a sheet's records, in stream order of their first piece.
std::vector<DrawingPieces> drawingPieces(const std::vector<model::Record>& records);

std::vector<std::uint8_t> joinedDrawing(const std::vector<model::Record>& records,
                                        const DrawingPieces& pieces);
// Writes bytes (as long as the pieces together) back over the pieces.
void spreadDrawing(std::vector<model::Record>& records, const DrawingPieces& pieces,
                   std::span<const std::uint8_t> bytes);

// The drawing group container of the globals; empty when there is none.
std::vector<std::uint8_t> drawingGroupBytes(const model::Substream& globals);
// Puts container in place of the globals' drawing group records (or where
// they go, ahead of the shared strings, when there are none), cut into
// MsoDrawingGroup and Continue records.
void replaceDrawingGroup(model::Substream& globals, std::span<const std::uint8_t> container);

}  // namespace xls::ops

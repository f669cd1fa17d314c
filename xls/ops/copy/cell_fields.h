// Where the records of a sheet hold indices into the workbook's cell format
// (XF) and shared string tables, for the copy's usage scan and its remapping
// to agree on one reading: Cell ([MS-XLS] 2.5.19) of every cell record, the
// RkRec and rgixfe arrays of MulRk and MulBlank, Row.ixfe_val (only when
// fGhostDirty says the row has a format), ColInfo.ixfe and LabelSst.isst.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "biff/record_type.h"

namespace xls::ops {

// count 16-bit XF index fields, the first at offset, then every stride
// bytes; only the bits of mask are the index (Row keeps flags above them).
struct CellFormatFields {
    std::size_t offset = 0;
    std::size_t stride = 0;
    std::size_t count = 0;
    std::uint16_t mask = 0xFFFF;
};

// True for the record types that hold an XF or shared string index.
bool holdsCellIndices(biff::RecordType type);

// The XF index fields of a record payload (none for other records). Raises
// CorruptWorkbook when the payload is too short for them.
CellFormatFields cellFormatFields(biff::RecordType type, std::span<const std::uint8_t> payload);

// LabelSst.isst: 4 bytes at this offset.
inline constexpr std::size_t kLabelSstIsstOffset = 6;

// Offset of RString's rgRun array and its run count (FormatRun: ich, ifnt).
// Raises CorruptWorkbook when the runs run past the payload.
struct RunArray {
    std::size_t offset = 0;
    std::size_t count = 0;
};
RunArray rstringRuns(std::span<const std::uint8_t> payload);

}  // namespace xls::ops

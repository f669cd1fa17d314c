// Tells what a file is when it is not a compound file, from its first bytes, so
// the user hears "it is a web page" rather than "it is not a workbook".
#pragma once

#include <cstdint>
#include <span>

#include "xls/error.h"

namespace xls::io {

// How many leading bytes classifyNonCompoundFile wants to see (fewer is fine).
inline constexpr std::size_t kFileKindProbeSize = 1024;

// The code that names the kind of the file whose first bytes are head: EmptyFile,
// ZipBasedWorkbook, WebPage, XmlSpreadsheet, OldExcelFormat, PlainText, or
// NotCompoundFile when nothing fits.
ErrorCode classifyNonCompoundFile(std::span<const std::uint8_t> head);

}  // namespace xls::io

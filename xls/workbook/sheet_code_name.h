// A sheet's CodeName ([MS-XLS] 2.4.51): the name of its document module in
// the workbook's macro project.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "model/workbook_stream.h"

namespace xls {

// The CodeName of the sheet at tab, as UTF-8; nullopt when the sheet has
// none. Raises SheetNotFound for a tab past the sheets, CorruptWorkbook for a
// CodeName that cannot be read.
std::optional<std::string> codeNameOfSheet(const model::WorkbookStream& stream, std::size_t tab);

}  // namespace xls

// Signs that another program has a workbook open for editing, read from the
// marks it leaves beside the file. LibreOffice (and OpenOffice) keep a lock
// file ".~lock.NAME#" in the workbook's folder for as long as it is open, one
// line "name,user,host,date time,profile;" with ',', ';' and '\' escaped by '\'.
// Saving over a workbook open there would be undone by its next save, or
// would undo the user's edits in it, so saving is refused.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace xls::io {

// Who has the workbook open ("LibreOffice (by Ann on ws4 since 07.12.2026
// 06:22; ...)"), or nullopt when no program left its mark.
std::optional<std::string> findOtherEditor(const std::filesystem::path& workbook);

// Raises Error(FileOpenElsewhere) naming the workbook and who has it open.
void refuseIfOpenElsewhere(const std::filesystem::path& workbook);

}  // namespace xls::io

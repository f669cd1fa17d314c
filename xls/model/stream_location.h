// Finds the workbook stream in a compound file: "Workbook" (BIFF8), else
// "Book" (Excel 5/95), in any letter case. When both exist (Excel 97's dual
// saves), "Workbook" holds the workbook and "Book" is a stale copy.
#pragma once

#include <cstdint>
#include <string>

#include "cfb/compound_file.h"

namespace xls::model {

struct WorkbookStreamEntry {
    std::uint32_t id = 0;       // directory entry
    std::u16string name;        // as stored ("Workbook", "WORKBOOK", "Book", ...)
    bool isBookStream = false;  // the Excel 5/95 "Book" stream
};

// Raises NoWorkbookStream when the root storage holds neither stream.
WorkbookStreamEntry findWorkbookStream(const cfb::CompoundFile& file);

}  // namespace xls::model

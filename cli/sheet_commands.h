// The command line's operations, driven through the automation boundary in the
// same order of calls as the window's handlers.
#pragma once

#include <string>
#include <vector>

#include "excel/automation.h"

namespace cli {

struct ListedSheet {
    std::string name;
    int visible = -1;  // the application's "Visible" value
};

// Opens path in a fresh application and reads its worksheets in tab order.
std::vector<ListedSheet> listWorksheets(excel::ApplicationFactory& factory,
                                        const std::string& path);

// Renames the sheet named sheet (any kind of sheet) and saves the workbook.
// Returns the number of records left as stored because they could not be read.
std::size_t renameSheet(excel::ApplicationFactory& factory, const std::string& path,
                        const std::string& sheet, const std::string& newName);

// Deletes the sheet named sheet and saves the workbook; returns as renameSheet.
std::size_t deleteSheet(excel::ApplicationFactory& factory, const std::string& path,
                        const std::string& sheet);

}  // namespace cli

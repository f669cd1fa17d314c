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
void renameSheet(excel::ApplicationFactory& factory, const std::string& path,
                 const std::string& sheet, const std::string& newName);

// Deletes the sheet named sheet and saves the workbook.
void deleteSheet(excel::ApplicationFactory& factory, const std::string& path,
                 const std::string& sheet);

}  // namespace cli

// The command line's operations, driven through the automation boundary in the
// same order of calls as the window's handlers.
#pragma once

#include <cstddef>
#include <optional>
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
// Returns how many records the edit and the save could not read and left as
// stored.
std::size_t renameSheet(excel::ApplicationFactory& factory, const std::string& path,
                        const std::string& sheet, const std::string& newName);

// Deletes the sheet named sheet and saves the workbook; returns the same count.
std::size_t deleteSheet(excel::ApplicationFactory& factory, const std::string& path,
                        const std::string& sheet);

// A copy or a move: the sheet named sheet of source, into destination right
// behind its sheet named anchor. The two paths may name one file.
struct TransferRequest {
    std::string source;
    std::string sheet;
    std::string destination;
    std::string anchor;
    std::optional<std::string> newName;  // the copy's name; none keeps the sheet's own
};

// Copies (move false: saves the destination only) or moves (move true: deletes
// the source sheet and saves both files in one commit, the destination first)
// in one application. Returns the name the copy received: newName or the
// sheet's own, or "Name (2)", ... when the destination held it in other letter
// case. A failure saves nothing (a move's commit at most the destination).
std::string transferSheet(excel::ApplicationFactory& factory, const TransferRequest& request,
                          bool move);

}  // namespace cli

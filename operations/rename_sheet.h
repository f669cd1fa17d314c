#pragma once

namespace tarnvale {

struct WindowContext;

inline constexpr const char* kRenamePrompt = "Rename to:";

// The Click handler of Check9 (panel 1) and Check10 (panel 2): opens the
// panel's workbook, asks "Rename to:" with the selected name as default, renames
// that sheet and saves the workbook; once the save has succeeded the new name
// replaces the entry, selected. Cancel or an empty answer renames nothing and
// releases the application without quitting it. A failed call shows the file
// and the reason and leaves list and file as they were.
void RenameSelectedSheet(WindowContext& window, int panelNumber);

}  // namespace tarnvale

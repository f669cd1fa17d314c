#pragma once

namespace tarnvale {

struct WindowContext;

inline constexpr const char* kSelectFileTitle = "Select Excel File";
inline constexpr const char* kSelectFileFilter =
    "Excel Workbooks (*.xls)|*.xls|Excel Templates (*.xlt)|*.xlt";

// The Click handler of a browse button (Check3 for panel 1, Check6 for panel 2):
// after the running-program guard, asks for a workbook file and writes the
// chosen path into the panel's path box, which lists its sheets. Cancel
// changes nothing. Panel 2 then makes the first entry of List2 current.
void BrowseForWorkbook(WindowContext& window, int panelNumber);

}  // namespace tarnvale

#pragma once

namespace tarnvale {

struct WindowContext;

inline constexpr const char* kLastSheetMessage =
    "You can not delete a sheet if it is the last one left in the workbook.";

// The Click handler of Check7 (panel 1) and Check8 (panel 2): deletes the
// selected sheet from the panel's workbook and saves it, with no confirmation.
// Refused while the list holds fewer than two entries. Once the save has
// succeeded the entry leaves the list and the one before it is selected (the
// new first one when the first was deleted). A failed call shows the file and
// the reason and leaves list and file as they were.
void DeleteSelectedSheet(WindowContext& window, int panelNumber);

}  // namespace tarnvale

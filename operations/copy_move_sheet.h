#pragma once

namespace tarnvale {

struct WindowContext;

inline constexpr const char* kClashPrompt = "Sheet already exists. Please rename:";
inline constexpr const char* kLastSheetToMoveMessage =
    "You can not move a sheet if it is the last one left in the workbook.";
inline constexpr const char* kDoneMessage = "Done.";

// The Click handlers of the copy buttons (Check1 copies List1's sheet into
// File #2, Check5 List2's into File #1) and of the move buttons (Check2,
// Check4). The sheet lands right behind the sheet selected in the other panel.
// While the other list holds the copy's name, "Sheet already exists. Please
// rename:" asks for another; Cancel or an empty answer ends the operation
// before any application starts. Copy saves the destination only; move deletes
// the source sheet and saves both files in one commit, the destination first.
// A list changes only once its file is saved, and receives the name the copy
// actually got. A move never takes a list's last entry. A failed call shows
// the file and the reason; after a failed move save both panels are listed
// again, since the lists must show what the files then hold.
void CopySheetToOtherFile(WindowContext& window, int sourcePanelNumber);
void MoveSheetToOtherFile(WindowContext& window, int sourcePanelNumber);

}  // namespace tarnvale

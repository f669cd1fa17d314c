#pragma once

namespace tarnvale {

struct WindowContext;

// The Click handlers of the copy buttons (Check1, Check5) and the move buttons
// (Check2, Check4). Copy and move come with the engine's copy; until then each
// click only springs its button back up.
void CopySheetToOtherFile(WindowContext& window, int sourcePanelNumber);
void MoveSheetToOtherFile(WindowContext& window, int sourcePanelNumber);

}  // namespace tarnvale

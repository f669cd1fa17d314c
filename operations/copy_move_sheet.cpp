#include "copy_move_sheet.h"

#include "common/graphical_button.h"
#include "common/window_context.h"

namespace tarnvale {

void CopySheetToOtherFile(WindowContext& window, int sourcePanelNumber) {
    if (!TakeClick(*window.panel(sourcePanelNumber).copyButton)) return;
}

void MoveSheetToOtherFile(WindowContext& window, int sourcePanelNumber) {
    if (!TakeClick(*window.panel(sourcePanelNumber).moveButton)) return;
}

}  // namespace tarnvale

#include "common_validation.h"

#include <QLineEdit>

#include "common/file_exists.h"
#include "common/graphical_button.h"
#include "common/window_context.h"

namespace tarnvale {

Panel* PassCommonValidation(WindowContext& window, int panelNumber,
                            GraphicalButton* Panel::*button) {
    const ValidationTwin& twin = kValidationTwins[panelNumber - 1];
    Panel& panel = window.panel(twin.panelNumber);
    if (!TakeClick(*(panel.*button))) return nullptr;
    if (!FileExists(panel.pathBox->text().toStdString())) {
        window.prompts->messageBox(twin.invalidPathMessage, excel::kButtonsOk);
        return nullptr;
    }
    return window.warnIfExcelRunning() ? nullptr : &panel;
}

}  // namespace tarnvale

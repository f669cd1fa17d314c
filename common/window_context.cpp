#include "window_context.h"

#include <QListWidget>

#include "excel/guard.h"

namespace tarnvale {

bool WindowContext::warnIfExcelRunning() {
    return excel::WarnIfExcelRunning(*prompts, isExcelRunning);
}

void WindowContext::reportFailedCall(const std::string& whatFailed, const std::exception& reason,
                                     std::unique_ptr<excel::Application>& application) {
    prompts->messageBox(whatFailed + ".\r\n\r\n" + reason.what(), excel::kButtonsOk);
    if (application) {
        try {
            application->quit();
        } catch (const std::exception&) {
            // Released below all the same; nothing more to tell the user.
        }
        application.reset();
    }
}

std::string EntryText(const QListWidget& list, int position) {
    const QListWidgetItem* item = list.item(position);
    return item ? item->text().toStdString() : std::string();
}

}  // namespace tarnvale

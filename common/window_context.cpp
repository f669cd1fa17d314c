#include "window_context.h"

#include <QListWidget>

#include <cctype>

#include "excel/guard.h"

namespace tarnvale {

bool WindowContext::warnIfExcelRunning() {
    return excel::WarnIfExcelRunning(*prompts, isExcelRunning);
}

void WindowContext::reportFailedCall(const std::string& whatFailed, const std::exception& reason) {
    // The caller's sentence names the file; a call error's reason says why, without it.
    const auto* callError = dynamic_cast<const excel::CallError*>(&reason);
    std::string why = callError && !callError->file().empty() ? callError->reason() : reason.what();
    if (!why.empty()) why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
    prompts->messageBox(whatFailed + ".\r\n\r\n" + why, excel::kButtonsOk);
}

std::string EntryText(const QListWidget& list, int position) {
    const QListWidgetItem* item = list.item(position);
    return item ? item->text().toStdString() : std::string();
}

}  // namespace tarnvale

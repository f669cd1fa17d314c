#include "delete_sheet.h"

#include <QLineEdit>
#include <QListWidget>
#include <optional>

#include "common/window_context.h"
#include "common_validation.h"
#include "quit_after_save.h"

namespace tarnvale {
namespace {

// Removes the entry at position and selects the one before it (the new first
// entry when the first was removed).
void removeEntryAndSelectPrevious(QListWidget& list, int position) {
    delete list.takeItem(position);
    list.setCurrentRow(std::max(position, 1) - 1);
}

}  // namespace

void DeleteSelectedSheet(WindowContext& window, int panelNumber) {
    Panel* const validated = PassCommonValidation(window, panelNumber, &Panel::deleteButton);
    if (!validated) return;
    Panel& panel = *validated;
    if (panel.sheetList->count() <= 1) {
        window.prompts->messageBox(kLastSheetMessage, excel::kButtonsOk);
        return;
    }

    BusyPointer busy(*window.pointer);
    const std::string path = panel.pathBox->text().toStdString();
    const int position = panel.sheetList->currentRow();
    const std::string name = EntryText(*panel.sheetList, position);
    std::optional<excel::ApplicationSession> session;
    try {
        session.emplace(*window.factory, path);
        auto workbook = session->newestWorkbook();
        session->alertsOff();
        workbook->sheets()->item(name)->deleteSheet();
        workbook->save(1033);
    } catch (const std::exception& error) {
        window.reportFailedCall("The sheet \"" + name + "\" could not be deleted from " + path,
                                error);
        return;
    }
    // The file no longer holds the sheet: now the list may lose it too.
    removeEntryAndSelectPrevious(*panel.sheetList, position);
    QuitAfterSave(window, *session, path);
}

}  // namespace tarnvale

#include "rename_sheet.h"

#include <QLineEdit>
#include <QListWidget>
#include <optional>

#include "common/window_context.h"
#include "common_validation.h"
#include "quit_after_save.h"

namespace tarnvale {
namespace {

// Puts newName in place of the entry at position, selected.
void replaceEntry(QListWidget& list, int position, const std::string& newName) {
    delete list.takeItem(position);
    list.insertItem(position, QString::fromStdString(newName));
    list.setCurrentRow(position);
}

}  // namespace

void RenameSelectedSheet(WindowContext& window, int panelNumber) {
    Panel* const validated = PassCommonValidation(window, panelNumber, &Panel::renameButton);
    if (!validated) return;
    Panel& panel = *validated;

    BusyPointer busy(*window.pointer);
    const std::string path = panel.pathBox->text().toStdString();
    std::optional<excel::ApplicationSession> session;
    std::shared_ptr<excel::Workbook> workbook;
    try {
        session.emplace(*window.factory, path);
        workbook = session->newestWorkbook();
        session->alertsOff();
    } catch (const std::exception& error) {
        window.reportFailedCall(path + " could not be opened", error);
        return;
    }

    QListWidget& list = *panel.sheetList;
    const std::string newName =
        window.prompts->inputBox(kRenamePrompt, EntryText(list, list.currentRow()));
    if (newName.empty()) {  // nothing renamed or saved; the application is only released
        workbook.reset();
        session->releaseWithoutQuit();
        return;
    }

    const int position = list.currentRow();
    const std::string oldName = EntryText(list, position);
    try {
        workbook->sheets()->item(oldName)->setName(newName);
        workbook->save(1033);
    } catch (const std::exception& error) {
        window.reportFailedCall("The sheet \"" + oldName + "\" in " + path +
                                    " could not be renamed to \"" + newName + "\"",
                                error);
        return;
    }
    // The file bears the new name: now the list may show it.
    replaceEntry(list, position, newName);
    workbook.reset();
    QuitAfterSave(window, *session, path);
}

}  // namespace tarnvale

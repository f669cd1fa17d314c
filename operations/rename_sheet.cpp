#include "rename_sheet.h"

#include <QLineEdit>
#include <QListWidget>

#include "common/window_context.h"
#include "common_validation.h"
#include "excel/open_workbook.h"
#include "opened_workbook.h"

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
    std::unique_ptr<excel::Application> application;
    std::shared_ptr<excel::Workbook> workbook;
    try {
        application = excel::OpenWorkbook(*window.factory, path);
        workbook = OpenedWorkbook(*application);
        application->setDisplayAlerts(false);
    } catch (const std::exception& error) {
        window.reportFailedCall(path + " could not be opened", error, application);
        return;
    }

    QListWidget& list = *panel.sheetList;
    const std::string newName =
        window.prompts->inputBox(kRenamePrompt, EntryText(list, list.currentRow()));
    if (newName.empty()) return;  // releases the application; nothing renamed or saved

    const int position = list.currentRow();
    const std::string oldName = EntryText(list, position);
    try {
        workbook->sheets()->item(oldName)->setName(newName);
        workbook->save(1033);
    } catch (const std::exception& error) {
        workbook.reset();
        window.reportFailedCall("The sheet \"" + oldName + "\" in " + path +
                                    " could not be renamed to \"" + newName + "\"",
                                error, application);
        return;
    }
    // The file bears the new name: now the list may show it.
    replaceEntry(list, position, newName);
    workbook.reset();
    QuitAfterSave(window, application, path);
}

}  // namespace tarnvale

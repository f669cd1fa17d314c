#include "sheet_listing.h"

#include <QLineEdit>
#include <QListWidget>
#include <QStringList>
#include <optional>

#include "common/file_exists.h"
#include "common/window_context.h"
#include "excel/application_session.h"

namespace tarnvale {

void ListSheets(WindowContext& window, int panelNumber) {
    Panel& panel = window.panel(panelNumber);
    if (!FileExists(panel.pathBox->text().toStdString())) return;

    const std::string path = panel.pathBox->text().toStdString();
    QStringList names;
    std::optional<excel::ApplicationSession> session;  // outlives the report of a failure
    try {
        session.emplace(*window.factory, path);
        auto workbook = session->newestWorkbook();
        const int count = workbook->worksheets()->count();
        for (int i = 1; i <= count; ++i)
            names << QString::fromStdString(workbook->worksheets()->item(i)->name());
        session->quit();
    } catch (const std::exception& error) {
        window.reportFailedCall("The sheets of " + path + " could not be listed", error);
        return;
    }

    // The list changes only once every call has succeeded.
    panel.sheetList->clear();
    panel.sheetList->addItems(names);
    if (panel.sheetList->count() > 0) panel.sheetList->setCurrentRow(0);
}

}  // namespace tarnvale

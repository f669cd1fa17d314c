#include "sheet_listing.h"

#include <QLineEdit>
#include <QListWidget>
#include <QStringList>

#include "common/file_exists.h"
#include "common/window_context.h"
#include "excel/open_workbook.h"

namespace tarnvale {

void ListSheets(WindowContext& window, int panelNumber) {
    Panel& panel = window.panel(panelNumber);
    if (!FileExists(panel.pathBox->text().toStdString())) return;

    const std::string path = panel.pathBox->text().toStdString();
    std::unique_ptr<excel::Application> application;
    QStringList names;
    try {
        application = excel::OpenWorkbook(*window.factory, path);
        auto workbook = application->workbooks()->item(application->workbooks()->count());
        const int count = workbook->worksheets()->count();
        for (int i = 1; i <= count; ++i)
            names << QString::fromStdString(workbook->worksheets()->item(i)->name());
        application->quit();
    } catch (const std::exception& error) {
        window.reportFailedCall("The sheets of " + path + " could not be listed", error,
                                application);
        return;
    }
    application.reset();

    // The list changes only once every call has succeeded.
    panel.sheetList->clear();
    panel.sheetList->addItems(names);
    if (panel.sheetList->count() > 0) panel.sheetList->setCurrentRow(0);
}

}  // namespace tarnvale

#include "opened_workbook.h"

#include "common/window_context.h"

namespace tarnvale {

std::shared_ptr<excel::Workbook> OpenedWorkbook(excel::Application& application) {
    return application.workbooks()->item(application.workbooks()->count());
}

void QuitAfterSave(WindowContext& window, std::unique_ptr<excel::Application>& application,
                   const std::string& path) {
    try {
        application->quit();
    } catch (const std::exception& error) {
        window.reportFailedCall(path + " was saved, but its workbook could not be closed", error,
                                application);
    }
    application.reset();
}

}  // namespace tarnvale

#include "quit_after_save.h"

#include "common/window_context.h"

namespace tarnvale {

void QuitAfterSave(WindowContext& window, excel::ApplicationSession& session,
                   const std::string& savedFiles, ClosingCalls closing) {
    try {
        if (closing.closeWorkbooks) session.closeWorkbooks();
        if (closing.alertsOff) session.alertsOff();
        session.quit();
    } catch (const std::exception& error) {
        window.reportFailedCall(
            "The work is saved in " + savedFiles + ", but the workbooks could not be closed",
            error);
    }
}

}  // namespace tarnvale

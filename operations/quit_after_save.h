#pragma once

#include <string>

#include "excel/application_session.h"

namespace tarnvale {

struct WindowContext;

// The calls some operations make before "Quit".
struct ClosingCalls {
    bool closeWorkbooks = false;  // "Workbooks" "Close"
    bool alertsOff = false;       // "DisplayAlerts" = False
};

// Tells the operation's application to quit once its work is saved (savedFiles
// names what was saved). The work is done by then, so a failing call is only
// reported.
void QuitAfterSave(WindowContext& window, excel::ApplicationSession& session,
                   const std::string& savedFiles, ClosingCalls closing = {});

}  // namespace tarnvale

// The running-program guard: a spreadsheet application that is already running
// may hold the user's workbooks open, so every button that starts work on a
// workbook asks first.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "process_table.h"

namespace excel {

// Message box answers and button sets, in the values of the application's
// message boxes.
enum MessageBoxCode : int {
    kButtonsOk = 0,
    kButtonsYesNo = 4,
    kAnswerOk = 1,
    kAnswerYes = 6,
    kAnswerNo = 7,
};

// Shows a modal message box: the prompt, the given buttons, the program's title.
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    virtual int messageBox(const std::string& prompt, int buttons) = 0;
};

// The running-program warning, exactly as shown.
inline constexpr const char* kExcelRunningWarning =
    "Excel may be open. It is recommended that you close Excel first.\r\n\r\n"
    "Would you like to proceed anyway?";

// True for LibreOffice or OpenOffice (soffice.bin), Gnumeric, and Excel under Wine.
bool IsSpreadsheetProcess(const ProcessEntry& process);

// True when a spreadsheet application runs for the user uid, read from the
// process table at procRoot. Any error gives false.
bool IsExcelRunning(const std::filesystem::path& procRoot, unsigned uid);
bool IsExcelRunning();  // this machine, this user

// Asks isExcelRunning; when it says yes, warns with Yes/No (Yes the default).
// Returns false when nothing runs or the user answers Yes; true tells the caller to stop.
bool WarnIfExcelRunning(MessageBox& box, const std::function<bool()>& isExcelRunning);
bool WarnIfExcelRunning(MessageBox& box);

}  // namespace excel

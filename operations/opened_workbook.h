#pragma once

#include <memory>
#include <string>

#include "excel/automation.h"

namespace tarnvale {

struct WindowContext;

// The workbook an application opened last: "Workbooks" "count", then
// "Workbooks" at that index.
std::shared_ptr<excel::Workbook> OpenedWorkbook(excel::Application& application);

// Tells the application to quit once its work is saved, and releases it. The
// work is done by then, so a failing Quit is only reported.
void QuitAfterSave(WindowContext& window, std::unique_ptr<excel::Application>& application,
                   const std::string& path);

}  // namespace tarnvale

#pragma once

#include <memory>
#include <string>

#include "automation.h"

namespace excel {

// Starts a new application from factory, opens path in it ("Workbooks" then
// "Open") and hands the application to the caller, who quits it. Errors pass on.
std::unique_ptr<Application> OpenWorkbook(ApplicationFactory& factory, const std::string& path);

}  // namespace excel

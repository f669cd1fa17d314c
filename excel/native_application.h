// The production backend of the automation boundary: Tarnvale's own workbook
// engine standing in for the spreadsheet application. Each application holds
// the workbooks opened in it; nothing reaches a file before Workbook.Save.
#pragma once

#include <memory>

#include "automation.h"

namespace excel {

class NativeApplicationFactory final : public ApplicationFactory {
  public:
    std::unique_ptr<Application> create() override;
};

}  // namespace excel

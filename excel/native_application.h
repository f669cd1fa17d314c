// The production backend of the automation boundary: Tarnvale's own workbook
// engine standing in for the spreadsheet application. Each application holds
// the workbooks opened in it; nothing reaches a file before Workbook.Save.
#pragma once

#include <memory>

#include "automation.h"

namespace excel {

// When a workbook's edit lock is taken (see xls/edit_lock.h).
enum class EditLocking {
    // Only while Workbook.Save writes: for the window, which waits on the user
    // between opening and saving. A file changed meanwhile is refused at the save.
    WhileSaving,
    // From Workbooks.Open until the application quits: for the command line,
    // whose edit then waits for another to finish and reads the file afresh.
    FromOpening,
};

class NativeApplicationFactory final : public ApplicationFactory {
  public:
    explicit NativeApplicationFactory(EditLocking locking = EditLocking::WhileSaving)
        : locking_(locking) {}
    std::unique_ptr<Application> create() override;

  private:
    EditLocking locking_;
};

}  // namespace excel

// A test double of the automation boundary. It holds scripted workbooks (a path
// and its sheets), opens copies of them in each application it creates, and
// logs every call in the vocabulary of the spreadsheet application's object
// model, so tests can check the exact order of calls a handler makes:
//
//   CreateObject("Excel.Application")   Workbooks.Open("C:\a.xls")
//   Workbooks.count   Workbooks(1)   Workbook.Worksheets   Workbook.Sheets
//   Sheets.Count   Sheets(2)   Sheets("Data")   Sheet.name   Sheet.name = "New"
//   Sheet.Copy after:=Sheets("X")   Sheet.Delete   DisplayAlerts = False
//   Workbook.Save 1033   Workbooks.Close   Quit   Release
//   Workbooks.SaveTogether   Workbook("C:\b.xls").Save 1033   (the two-file
//   commit: both files checked, then each replaced in turn)
//
// Edits change the application's open copy only; Workbook.Save writes that copy
// back to the factory's script, so a test reads "what is in the file" there.
// Any call can be made to fail with a CallError: the call is logged, then thrown.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "excel/automation.h"

namespace excel {

enum class SheetKind { Worksheet, Chart };

struct ScriptedSheet {
    std::string name;
    SheetKind kind = SheetKind::Worksheet;
    bool operator==(const ScriptedSheet&) const = default;
};

namespace recording {
struct State;
}

class RecordingApplicationFactory final : public ApplicationFactory {
  public:
    RecordingApplicationFactory();
    ~RecordingApplicationFactory() override;

    // Scripts a workbook file; opening any other path fails.
    void addWorkbook(const std::string& path, std::vector<ScriptedSheet> sheets);
    // Worksheet names only, a shorthand for the common case.
    void addWorkbook(const std::string& path, const std::vector<std::string>& worksheetNames);

    // The sheets' names of path as last saved (or as scripted when never saved).
    std::vector<std::string> sheetNames(const std::string& path) const;
    int saveCount(const std::string& path) const;

    const std::vector<std::string>& log() const;
    void clearLog();

    // The next call logged exactly as entry fails with message (once).
    void failOn(std::string entry, std::string message);
    // Called with each entry as it is logged, before any scripted failure.
    void onCall(std::function<void(const std::string&)> observer);

    // Applications created and not yet released.
    int liveApplications() const;

    std::unique_ptr<Application> create() override;

  private:
    std::shared_ptr<recording::State> state_;
};

}  // namespace excel

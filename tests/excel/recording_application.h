// A test double of the automation boundary. It holds scripted workbooks (a path
// and its sheets), opens copies of them in each application it creates, and
// logs every call in the spreadsheet application's vocabulary
// ("Workbooks.Open(\"C:\\a.xls\")", "Sheets(2)", "Sheet.name = \"New\"", "Quit",
// and "Release" when the application is let go), so tests can check the exact
// order of calls a handler makes. Edits change the open copy only; a save writes
// it back to the script, where sheetNames() reads "what is in the file".
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "excel/automation.h"

namespace excel {

enum class SheetKind { Worksheet, Chart };

struct ScriptedSheet {
    ScriptedSheet(std::string sheetName, SheetKind sheetKind = SheetKind::Worksheet)
        : name(std::move(sheetName)), kind(sheetKind) {}
    ScriptedSheet(const char* sheetName, SheetKind sheetKind = SheetKind::Worksheet)
        : ScriptedSheet(std::string(sheetName), sheetKind) {}
    std::string name;
    SheetKind kind = SheetKind::Worksheet;
};

// The files, the log and the scripted failure, shared by all the double's objects.
struct RecordingState {
    std::map<std::string, std::vector<ScriptedSheet>> files;
    std::vector<std::string> log;
    std::optional<std::string> failEntry;
    std::string failMessage;
    std::function<void(const std::string&)> observer;

    // Logs a call, then throws when the script says this call fails.
    void record(const std::string& entry);
};

class RecordingApplicationFactory final : public ApplicationFactory {
  public:
    // Scripts a workbook file; opening any other path fails.
    void addWorkbook(const std::string& path, std::vector<ScriptedSheet> sheets) {
        state_->files.insert_or_assign(path, std::move(sheets));
    }
    // The sheets' names of path as last saved (or as scripted when never saved).
    std::vector<std::string> sheetNames(const std::string& path) const;

    const std::vector<std::string>& log() const { return state_->log; }
    void clearLog() { state_->log.clear(); }
    // The next call logged exactly as entry fails with message (once).
    void failOn(std::string entry, std::string message) {
        state_->failEntry = std::move(entry);
        state_->failMessage = std::move(message);
    }
    // Called with each entry as it is logged, before any scripted failure.
    void onCall(std::function<void(const std::string&)> observer) {
        state_->observer = std::move(observer);
    }

    std::unique_ptr<Application> create() override;

  private:
    std::shared_ptr<RecordingState> state_ = std::make_shared<RecordingState>();
};

}  // namespace excel

// One application's life for one operation: a fresh application with a
// workbook open in it, the work, the save, "Quit", the release. Every listing,
// every operation of the window and every command of the command line runs in
// one session; copy and move open their second workbook in the same one.
#pragma once

#include <memory>
#include <string>

#include "automation.h"

namespace excel {

class ApplicationSession {
  public:
    // OpenWorkbook: a new application from factory with path open in it.
    // A failure passes on, and the application started is released unquit.
    ApplicationSession(ApplicationFactory& factory, const std::string& path);
    // Quits the application unless quit() or releaseWithoutQuit() ended the
    // session already (a failing Quit is ignored: the failure that brought the
    // caller here is the one to report), then releases it.
    ~ApplicationSession();
    ApplicationSession(const ApplicationSession&) = delete;
    ApplicationSession& operator=(const ApplicationSession&) = delete;

    Application& application() { return *application_; }

    // The workbook opened last: "Workbooks" "count", then "Workbooks" at that index.
    std::shared_ptr<Workbook> newestWorkbook();
    // "Workbooks" "Open" in this application: the second workbook of a copy or
    // a move (the one already open when path names the same file).
    std::shared_ptr<Workbook> open(const std::string& path);
    void alertsOff();  // "DisplayAlerts" = False
    // The two-file commit of a move: first (the destination) replaces its file
    // before second (the source), so the sheet is never in neither file.
    void saveTogether(Workbook& first, Workbook& second);
    void closeWorkbooks();  // "Workbooks" "Close"

    // "Quit". When it fails, the end of the session tries once more.
    void quit();
    // Releases the application without telling it to quit.
    void releaseWithoutQuit();

  private:
    std::unique_ptr<Application> application_;
    bool ended_ = false;
};

}  // namespace excel

// The automation boundary: the object model of a spreadsheet application
// (application -> workbooks -> workbook -> sheets -> sheet), as the window's
// handlers and the command line drive it. Every call may throw excel::CallError
// with a message that names the file and the reason; nothing done before the
// failing call is undone.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

namespace excel {

// A failed automation call. what() is a sentence for the user; when the failure
// concerns a file, file() names it and reason() says what went wrong without it,
// for callers that name the file in their own words.
class CallError : public std::runtime_error {
  public:
    explicit CallError(const std::string& message)
        : std::runtime_error(message), reason_(message) {}
    CallError(std::string file, std::string reason)
        : std::runtime_error("\"" + file + "\": " + reason),
          file_(std::move(file)),
          reason_(std::move(reason)) {}

    const std::string& file() const noexcept { return file_; }
    const std::string& reason() const noexcept { return reason_; }

  private:
    std::string file_;
    std::string reason_;
};

class Sheet;
class Sheets;
class Workbook;
class Workbooks;

class Sheet {
  public:
    virtual ~Sheet() = default;
    virtual std::string name() const = 0;               // sheet "name" read
    virtual void setName(const std::string& name) = 0;  // sheet "name" written
    // "Copy" with the named argument "after": the copy lands right behind anchor,
    // which may lie in another workbook of the same application or in this one.
    // It bears this sheet's name, or "Name (2)", "Name (3)", ... when the
    // anchor's workbook has that name in any letter case; the copy is returned
    // so the caller can read the name it received.
    virtual std::shared_ptr<Sheet> copyAfter(Sheet& anchor) = 0;
    // "Move" with the named argument "after", within this sheet's own workbook:
    // the sheet itself changes place, keeping its name and every reference to it.
    virtual void moveAfter(Sheet& anchor) = 0;
    virtual void deleteSheet() = 0;  // "Delete"
    // "Visible": -1 visible, 0 hidden, 2 very hidden (the application's values).
    virtual int visible() const { return -1; }
};

class Sheets {
  public:
    virtual ~Sheets() = default;
    virtual int count() const = 0;                       // Sheets.Count
    virtual std::shared_ptr<Sheet> item(int index) = 0;  // Sheets(i), 1-based
    // Sheets(name): found without regard to letter case, as the application does.
    virtual std::shared_ptr<Sheet> item(const std::string& name) = 0;
};

class Workbook {
  public:
    virtual ~Workbook() = default;
    virtual std::shared_ptr<Sheets> worksheets() = 0;  // Workbook.Worksheets
    virtual std::shared_ptr<Sheets> sheets() = 0;      // Workbook.Sheets
    virtual void save(int locale = 1033) = 0;          // Workbook.Save, in its own format
    // Records the edits and the last save could not read and left as stored
    // (the engine's count; the application has none to give).
    virtual std::size_t recordsLeftAsStored() const { return 0; }
};

class Workbooks {
  public:
    virtual ~Workbooks() = default;
    virtual std::shared_ptr<Workbook> open(const std::string& path) = 0;  // "Open"
    virtual int count() const = 0;                                        // "count"
    virtual std::shared_ptr<Workbook> item(int index) = 0;                // Workbooks(i), 1-based
    virtual void close() = 0;                                             // "Close": all of them
    // Workbook.Save of two workbooks as one step, for an operation that changes
    // both: both new files are written and checked before either replaces its
    // original; then first replaces its file, then second. A failure before the
    // first replacement leaves both files as they were; one after it leaves
    // first saved and second as it was. The same workbook given twice is saved once.
    virtual void saveTogether(Workbook& first, Workbook& second, int locale = 1033) = 0;
};

class Application {
  public:
    virtual ~Application() = default;
    virtual std::shared_ptr<Workbooks> workbooks() = 0;  // "Workbooks"
    virtual void setDisplayAlerts(bool on) = 0;          // "DisplayAlerts"
    virtual void quit() = 0;                             // "Quit"
};

// Creates a new, separate application instance holding no workbooks
// (creating an object of "Excel.Application").
class ApplicationFactory {
  public:
    virtual ~ApplicationFactory() = default;
    virtual std::unique_ptr<Application> create() = 0;
};

}  // namespace excel

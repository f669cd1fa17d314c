#include "sheet_commands.h"

#include "excel/open_workbook.h"

namespace cli {

namespace {

// The application of one command: quit on every path out, as the window's handlers do.
class ApplicationSession {
  public:
    ApplicationSession(excel::ApplicationFactory& factory, const std::string& path)
        : application_(excel::OpenWorkbook(factory, path)) {}
    ~ApplicationSession() {
        if (!quit_) {
            try {
                application_->quit();
            } catch (...) {
                // Leaving anyway: the failure that brought us here is the one to report.
            }
        }
    }
    ApplicationSession(const ApplicationSession&) = delete;
    ApplicationSession& operator=(const ApplicationSession&) = delete;

    excel::Application& application() { return *application_; }
    std::shared_ptr<excel::Workbook> newestWorkbook() {
        auto books = application_->workbooks();
        return books->item(books->count());
    }
    void quit() {
        quit_ = true;
        application_->quit();
    }

  private:
    std::unique_ptr<excel::Application> application_;
    bool quit_ = false;
};

}  // namespace

std::vector<ListedSheet> listWorksheets(excel::ApplicationFactory& factory,
                                        const std::string& path) {
    ApplicationSession session(factory, path);
    auto workbook = session.newestWorkbook();
    const int count = workbook->worksheets()->count();
    std::vector<ListedSheet> listed;
    listed.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) {
        auto sheet = workbook->worksheets()->item(i);
        listed.push_back({sheet->name(), sheet->visible()});
    }
    session.quit();
    return listed;
}

std::size_t renameSheet(excel::ApplicationFactory& factory, const std::string& path,
                        const std::string& sheet, const std::string& newName) {
    ApplicationSession session(factory, path);
    auto workbook = session.newestWorkbook();
    session.application().setDisplayAlerts(false);
    workbook->sheets()->item(sheet)->setName(newName);
    workbook->save(1033);
    session.quit();
    return workbook->recordsLeftAsStored();
}

std::size_t deleteSheet(excel::ApplicationFactory& factory, const std::string& path,
                        const std::string& sheet) {
    ApplicationSession session(factory, path);
    auto workbook = session.newestWorkbook();
    session.application().setDisplayAlerts(false);
    workbook->sheets()->item(sheet)->deleteSheet();
    workbook->save(1033);
    session.quit();
    return workbook->recordsLeftAsStored();
}

}  // namespace cli

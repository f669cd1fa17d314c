#include "native_application.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <vector>

#include "native_workbook.h"

namespace excel {

namespace {

// Two paths name the same open workbook when they lead to the same file.
bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

NativeWorkbook& nativeOf(Workbook& book) {
    auto* native = dynamic_cast<NativeWorkbook*>(&book);
    if (!native) throw CallError("The workbook belongs to another application.");
    return *native;
}

class NativeWorkbooks final : public Workbooks {
  public:
    explicit NativeWorkbooks(EditLocking locking) : locking_(locking) {}

    std::shared_ptr<Workbook> open(const std::string& path) override {
        // Opening a workbook already open in this application gives that workbook.
        for (const auto& book : books_) {
            if (sameFile(book->path(), path)) return book;
        }
        try {
            auto book = std::make_shared<NativeWorkbook>(
                locking_ == EditLocking::FromOpening ? xls::Workbook::open(path, lockFor(path))
                                                     : xls::Workbook::open(path),
                path);
            books_.push_back(book);
            return book;
        } catch (...) {
            rethrowAsCallError(path);
        }
    }

    int count() const override { return static_cast<int>(books_.size()); }

    std::shared_ptr<Workbook> item(int index) override {
        if (index < 1 || index > count()) {
            throw CallError("There is no open workbook number " + std::to_string(index) + ".");
        }
        return books_[static_cast<std::size_t>(index - 1)];
    }

    // Closes every workbook; unsaved changes are dropped.
    void close() override { books_.clear(); }

    void saveTogether(Workbook& first, Workbook& second, int locale) override {
        auto& a = nativeOf(first);
        auto& b = nativeOf(second);
        if (&a == &b) {
            a.save(locale);
            return;
        }
        try {
            xls::Workbook::saveTogether(a.engine(), b.engine());
        } catch (...) {
            rethrowAsCallError(a.path());
        }
    }

  private:
    // The edit lock of a workbook opened besides others whose locks this
    // application holds: waited for only when it comes after all of them in
    // the locking order, else taken only if free at once. Two applications
    // opening the same two workbooks crosswise (two opposite moves) then never
    // wait on each other; one is refused at once instead.
    xls::EditLock lockFor(const std::string& path) const {
        const xls::EditLock::Place place = xls::EditLock::placeOf(path);
        for (const auto& book : books_) {
            if (xls::EditLock::placeOf(book->path()) > place) {
                return xls::EditLock::acquire(path, std::chrono::milliseconds(0));
            }
        }
        return xls::EditLock::acquire(path);
    }

    EditLocking locking_;
    std::vector<std::shared_ptr<NativeWorkbook>> books_;
};

class NativeApplication final : public Application {
  public:
    explicit NativeApplication(EditLocking locking)
        : workbooks_(std::make_shared<NativeWorkbooks>(locking)) {}

    std::shared_ptr<Workbooks> workbooks() override { return workbooks_; }
    // The engine never asks the user anything, so there are no alerts to switch off.
    void setDisplayAlerts(bool) override {}
    void quit() override { workbooks_->close(); }

  private:
    std::shared_ptr<NativeWorkbooks> workbooks_;
};

}  // namespace

std::unique_ptr<Application> NativeApplicationFactory::create() {
    return std::make_unique<NativeApplication>(locking_);
}

}  // namespace excel

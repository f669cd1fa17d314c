#include "native_workbook.h"

#include <algorithm>
#include <exception>

#include "xls/error.h"
#include "xls/sheet_name.h"

namespace excel {

namespace {

class NativeSheet final : public Sheet {
  public:
    NativeSheet(std::shared_ptr<NativeWorkbook> book, std::uint32_t id)
        : book_(std::move(book)), id_(id) {}

    std::string name() const override { return book_->info(id_).name; }

    void setName(const std::string& name) override { book_->rename(id_, name); }

    std::shared_ptr<Sheet> copyAfter(Sheet& anchor) override {
        auto* target = dynamic_cast<NativeSheet*>(&anchor);
        if (!target) throw CallError("The sheet to copy behind belongs to another application.");
        const std::uint32_t copyId = target->book_->insertCopy(*book_, id_, target->id_);
        return std::make_shared<NativeSheet>(target->book_, copyId);
    }

    void moveAfter(Sheet& anchor) override {
        auto* target = dynamic_cast<NativeSheet*>(&anchor);
        if (!target || target->book_ != book_)
            throw CallError(book_->path(),
                            "a sheet moves only behind a sheet of its own workbook.");
        book_->moveWithin(id_, target->id_);
    }

    void deleteSheet() override { book_->remove(id_); }

    int visible() const override {
        switch (book_->info(id_).visibility) {
            case xls::Visibility::Visible:
                return -1;
            case xls::Visibility::Hidden:
                return 0;
            case xls::Visibility::VeryHidden:
                return 2;
        }
        return -1;
    }

  private:
    std::shared_ptr<NativeWorkbook> book_;
    std::uint32_t id_;
};

// Workbook.Worksheets (worksheets only) or Workbook.Sheets (every sheet), read
// afresh on each call so it follows deletions made through it.
class NativeSheets final : public Sheets {
  public:
    NativeSheets(std::shared_ptr<NativeWorkbook> book, bool worksheetsOnly)
        : book_(std::move(book)), worksheetsOnly_(worksheetsOnly) {}

    int count() const override { return static_cast<int>(members().size()); }

    std::shared_ptr<Sheet> item(int index) override {
        auto tabs = members();
        if (index < 1 || static_cast<std::size_t>(index) > tabs.size()) {
            throw CallError(book_->path(),
                            "there is no sheet number " + std::to_string(index) + ".");
        }
        return std::make_shared<NativeSheet>(
            book_, book_->sheetIdAt(tabs[static_cast<std::size_t>(index - 1)]));
    }

    std::shared_ptr<Sheet> item(const std::string& name) override {
        for (std::size_t tab : members()) {
            std::uint32_t id = book_->sheetIdAt(tab);
            if (xls::sheetNamesEqual(book_->info(id).name, name)) {
                return std::make_shared<NativeSheet>(book_, id);
            }
        }
        throw CallError(book_->path(), "there is no sheet named \"" + name + "\".");
    }

  private:
    std::vector<std::size_t> members() const {
        if (worksheetsOnly_) return book_->engine().worksheetIndices();
        std::vector<std::size_t> all(book_->engine().sheets().size());
        for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
        return all;
    }

    std::shared_ptr<NativeWorkbook> book_;
    bool worksheetsOnly_;
};

}  // namespace

void rethrowAsCallError(const std::string& path) {
    try {
        throw;
    } catch (const CallError&) {
        throw;
    } catch (const xls::Error& error) {
        throw CallError(error.file().empty() ? path : error.file(), error.reason() + ".");
    } catch (const std::bad_alloc&) {
        throw CallError(path, "there is not enough memory to work on this workbook.");
    } catch (const std::exception& error) {
        throw CallError(path, error.what());
    }
}

NativeWorkbook::NativeWorkbook(xls::Workbook book, std::string path)
    : book_(std::move(book)), path_(std::move(path)) {
    sheetIds_.resize(book_.sheets().size());
    for (auto& id : sheetIds_) id = nextSheetId_++;
}

std::shared_ptr<Sheets> NativeWorkbook::worksheets() {
    return std::make_shared<NativeSheets>(shared_from_this(), true);
}

std::shared_ptr<Sheets> NativeWorkbook::sheets() {
    return std::make_shared<NativeSheets>(shared_from_this(), false);
}

void NativeWorkbook::save(int /*locale*/) {
    try {
        book_.save();
    } catch (...) {
        rethrowAsCallError(path_);
    }
}

std::size_t NativeWorkbook::tabIndexOf(std::uint32_t sheetId) const {
    auto it = std::find(sheetIds_.begin(), sheetIds_.end(), sheetId);
    if (it == sheetIds_.end()) {
        throw CallError(path_, "the sheet no longer exists.");
    }
    return static_cast<std::size_t>(it - sheetIds_.begin());
}

const xls::SheetInfo& NativeWorkbook::info(std::uint32_t sheetId) const {
    return book_.sheets().at(tabIndexOf(sheetId));
}

void NativeWorkbook::rename(std::uint32_t sheetId, const std::string& name) {
    std::size_t tab = tabIndexOf(sheetId);
    try {
        book_.renameSheet(tab, name);
    } catch (...) {
        rethrowAsCallError(path_);
    }
}

std::uint32_t NativeWorkbook::insertCopy(NativeWorkbook& source, std::uint32_t sheetId,
                                         std::uint32_t anchorId) {
    const std::size_t sourceTab = source.tabIndexOf(sheetId);
    const std::size_t anchorTab = tabIndexOf(anchorId);
    std::size_t copyTab = 0;
    try {
        copyTab = book_.copySheet(source.book_, sourceTab, anchorTab);
    } catch (...) {
        rethrowAsCallError(path_);
    }
    const std::uint32_t copyId = nextSheetId_++;
    sheetIds_.insert(sheetIds_.begin() + static_cast<std::ptrdiff_t>(copyTab), copyId);
    return copyId;
}

void NativeWorkbook::moveWithin(std::uint32_t sheetId, std::uint32_t anchorId) {
    const std::size_t tab = tabIndexOf(sheetId);
    std::size_t newTab = 0;
    try {
        newTab = book_.moveSheet(tab, tabIndexOf(anchorId));
    } catch (...) {
        rethrowAsCallError(path_);
    }
    sheetIds_.erase(sheetIds_.begin() + static_cast<std::ptrdiff_t>(tab));
    sheetIds_.insert(sheetIds_.begin() + static_cast<std::ptrdiff_t>(newTab), sheetId);
}

void NativeWorkbook::remove(std::uint32_t sheetId) {
    std::size_t tab = tabIndexOf(sheetId);
    try {
        book_.deleteSheet(tab);
    } catch (...) {
        rethrowAsCallError(path_);
    }
    sheetIds_.erase(sheetIds_.begin() + static_cast<std::ptrdiff_t>(tab));
}

}  // namespace excel

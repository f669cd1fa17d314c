#include "excel/recording_application.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace excel {

void RecordingState::record(const std::string& entry) {
    log.push_back(entry);
    if (observer) observer(entry);
    if (failEntry == entry) {
        failEntry.reset();
        throw CallError(failMessage);
    }
}

std::vector<std::string> RecordingApplicationFactory::sheetNames(const std::string& path) const {
    std::vector<std::string> names;
    for (const ScriptedSheet& sheet : state_->files.at(path)) names.push_back(sheet.name);
    return names;
}

namespace {

using State = std::shared_ptr<RecordingState>;
using OpenSheet = std::shared_ptr<ScriptedSheet>;  // its identity stands for the sheet

// A workbook as opened in one application: a copy of the scripted file, and the
// one workbook object handed out for it while any holds it, as the application
// gives the same workbook each time it is reached.
struct OpenBook {
    std::string path;
    std::vector<OpenSheet> sheets;
    std::weak_ptr<Workbook> object;

    std::vector<OpenSheet>::iterator placeOf(const OpenSheet& sheet) {
        auto it = std::find(sheets.begin(), sheets.end(), sheet);
        if (it == sheets.end()) throw CallError("The sheet no longer exists.");
        return it;
    }
    void saveTo(RecordingState& state) const {
        auto& file = state.files[path];
        file.clear();
        for (const OpenSheet& sheet : sheets) file.push_back(*sheet);
    }
};
using Book = std::shared_ptr<OpenBook>;
using OpenBooks = std::shared_ptr<std::vector<Book>>;

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

bool sameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

class RecordingSheet final : public Sheet {
  public:
    RecordingSheet(State state, Book book, OpenSheet sheet)
        : state_(std::move(state)), book_(std::move(book)), sheet_(std::move(sheet)) {}

    std::string name() const override {
        state_->record("Sheet.name");
        return (*book_->placeOf(sheet_))->name;
    }
    void setName(const std::string& name) override {
        state_->record("Sheet.name = " + quoted(name));
        (*book_->placeOf(sheet_))->name = name;
    }

    // The copy bears the source's name, or "Name (2)", "Name (3)", ... while the
    // destination holds that name in any letter case.
    std::shared_ptr<Sheet> copyAfter(Sheet& anchor) override {
        auto& target = dynamic_cast<RecordingSheet&>(anchor);
        state_->record("Sheet.Copy after:=Sheets(" + quoted(target.sheet_->name) + ")");
        auto copy = std::make_shared<ScriptedSheet>(**book_->placeOf(sheet_));
        const auto& into = target.book_->sheets;
        for (int n = 2;
             std::any_of(into.begin(), into.end(),
                         [&](const OpenSheet& s) { return sameName(s->name, copy->name); });
             ++n)
            copy->name = sheet_->name + " (" + std::to_string(n) + ")";
        target.book_->sheets.insert(target.book_->placeOf(target.sheet_) + 1, copy);
        return std::make_shared<RecordingSheet>(state_, target.book_, copy);
    }

    void moveAfter(Sheet& anchor) override {
        auto& target = dynamic_cast<RecordingSheet&>(anchor);
        state_->record("Sheet.Move after:=Sheets(" + quoted(target.sheet_->name) + ")");
        if (target.sheet_ == sheet_) return;
        book_->sheets.erase(book_->placeOf(sheet_));
        book_->sheets.insert(book_->placeOf(target.sheet_) + 1, sheet_);
    }

    void deleteSheet() override {
        state_->record("Sheet.Delete");
        book_->sheets.erase(book_->placeOf(sheet_));
    }

  private:
    State state_;
    Book book_;
    OpenSheet sheet_;
};

// Workbook.Worksheets leaves out chart sheets; Workbook.Sheets holds every kind.
// Both are read afresh on each call, so they follow edits made through them.
class RecordingSheets final : public Sheets {
  public:
    RecordingSheets(State state, Book book, bool worksheetsOnly)
        : state_(std::move(state)), book_(std::move(book)), worksheetsOnly_(worksheetsOnly) {}

    int count() const override {
        state_->record("Sheets.Count");
        return static_cast<int>(members().size());
    }
    std::shared_ptr<Sheet> item(int index) override {
        state_->record("Sheets(" + std::to_string(index) + ")");
        const auto list = members();
        if (index < 1 || index > static_cast<int>(list.size()))
            throw CallError("There is no sheet number " + std::to_string(index) + ".");
        return std::make_shared<RecordingSheet>(state_, book_, list[index - 1]);
    }
    std::shared_ptr<Sheet> item(const std::string& name) override {
        state_->record("Sheets(" + quoted(name) + ")");
        for (const OpenSheet& sheet : members())
            if (sameName(sheet->name, name))
                return std::make_shared<RecordingSheet>(state_, book_, sheet);
        throw CallError("There is no sheet named " + quoted(name) + ".");
    }

  private:
    std::vector<OpenSheet> members() const {
        std::vector<OpenSheet> list;
        for (const OpenSheet& sheet : book_->sheets)
            if (!worksheetsOnly_ || sheet->kind == SheetKind::Worksheet) list.push_back(sheet);
        return list;
    }

    State state_;
    Book book_;
    bool worksheetsOnly_;
};

class RecordingWorkbook final : public Workbook {
  public:
    RecordingWorkbook(State state, Book book) : state_(std::move(state)), book_(std::move(book)) {}

    std::shared_ptr<Sheets> worksheets() override {
        state_->record("Workbook.Worksheets");
        return std::make_shared<RecordingSheets>(state_, book_, true);
    }
    std::shared_ptr<Sheets> sheets() override {
        state_->record("Workbook.Sheets");
        return std::make_shared<RecordingSheets>(state_, book_, false);
    }
    void save(int locale) override {
        state_->record("Workbook.Save " + std::to_string(locale));
        book_->saveTo(*state_);
    }

    const Book& book() const { return book_; }

  private:
    State state_;
    Book book_;
};

class RecordingWorkbooks final : public Workbooks {
  public:
    RecordingWorkbooks(State state, OpenBooks books)
        : state_(std::move(state)), books_(std::move(books)) {}

    std::shared_ptr<Workbook> open(const std::string& path) override {
        state_->record("Workbooks.Open(" + quoted(path) + ")");
        for (const auto& book : *books_)
            if (book->path == path) return objectOf(book);
        auto file = state_->files.find(path);
        if (file == state_->files.end()) throw CallError(path + " could not be found.");
        auto book = std::make_shared<OpenBook>(OpenBook{path, {}, {}});
        for (const ScriptedSheet& sheet : file->second)
            book->sheets.push_back(std::make_shared<ScriptedSheet>(sheet));
        books_->push_back(book);
        return objectOf(book);
    }
    int count() const override {
        state_->record("Workbooks.count");
        return static_cast<int>(books_->size());
    }
    std::shared_ptr<Workbook> item(int index) override {
        state_->record("Workbooks(" + std::to_string(index) + ")");
        if (index < 1 || index > static_cast<int>(books_->size()))
            throw CallError("There is no open workbook number " + std::to_string(index) + ".");
        return objectOf((*books_)[index - 1]);
    }
    void close() override {
        state_->record("Workbooks.Close");
        books_->clear();
    }

    // Logged as the commit's steps, each of which a test can make fail: writing
    // and checking both files, then replacing first, then second (once when the
    // same workbook is given twice).
    void saveTogether(Workbook& first, Workbook& second, int locale) override {
        state_->record("Workbooks.SaveTogether");
        const auto& a = dynamic_cast<RecordingWorkbook&>(first).book();
        const auto& b = dynamic_cast<RecordingWorkbook&>(second).book();
        for (const auto& book : a == b ? std::vector<Book>{a} : std::vector<Book>{a, b}) {
            state_->record("Workbook(" + quoted(book->path) + ").Save " + std::to_string(locale));
            book->saveTo(*state_);
        }
    }

  private:
    std::shared_ptr<Workbook> objectOf(const Book& book) {
        if (auto existing = book->object.lock()) return existing;
        auto made = std::make_shared<RecordingWorkbook>(state_, book);
        book->object = made;
        return made;
    }

    State state_;
    OpenBooks books_;
};

class RecordingApplication final : public Application {
  public:
    explicit RecordingApplication(State state) : state_(std::move(state)) {}
    ~RecordingApplication() override { state_->log.push_back("Release"); }  // never fails

    std::shared_ptr<Workbooks> workbooks() override {
        return std::make_shared<RecordingWorkbooks>(state_, books_);
    }
    void setDisplayAlerts(bool on) override {
        state_->record(std::string("DisplayAlerts = ") + (on ? "True" : "False"));
    }
    void quit() override {
        state_->record("Quit");
        books_->clear();
    }

  private:
    State state_;
    OpenBooks books_ = std::make_shared<std::vector<Book>>();
};

}  // namespace

std::unique_ptr<Application> RecordingApplicationFactory::create() {
    state_->record("CreateObject(\"Excel.Application\")");
    return std::make_unique<RecordingApplication>(state_);
}

}  // namespace excel

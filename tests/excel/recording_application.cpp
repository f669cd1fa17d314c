#include "excel/recording_application.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <utility>

namespace excel {
namespace recording {

struct OpenSheet {
    int id;
    std::string name;
    SheetKind kind;
};

// A workbook as opened in one application: a copy of the scripted file, and the
// one workbook object handed out for it while any holds it, as the application
// gives the same workbook each time it is reached.
struct OpenBook {
    std::string path;
    std::vector<OpenSheet> sheets;
    std::weak_ptr<Workbook> object;
};

using OpenBooks = std::vector<std::shared_ptr<OpenBook>>;

struct State {
    std::map<std::string, std::vector<ScriptedSheet>> files;
    std::vector<std::string> log;
    std::optional<std::string> failEntry;
    std::string failEntryMessage;
    std::function<void(const std::string&)> observer;
    int nextSheetId = 1;

    // Logs a call, then throws when the script says this call fails.
    void record(const std::string& entry) {
        log.push_back(entry);
        if (observer) observer(entry);
        if (failEntry == entry) {
            failEntry.reset();
            throw CallError(failEntryMessage);
        }
    }
    void save(const OpenBook& book) {
        std::vector<ScriptedSheet> saved;
        for (const OpenSheet& sheet : book.sheets) saved.emplace_back(sheet.name, sheet.kind);
        files.insert_or_assign(book.path, std::move(saved));
    }
};

}  // namespace recording

namespace {

using recording::OpenBook;
using recording::OpenSheet;
using recording::State;

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

bool sameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

std::vector<OpenSheet>::iterator placeOf(OpenBook& book, int id) {
    auto it = std::find_if(book.sheets.begin(), book.sheets.end(),
                           [id](const OpenSheet& sheet) { return sheet.id == id; });
    if (it == book.sheets.end()) throw CallError("The sheet no longer exists.");
    return it;
}

class RecordingSheet final : public Sheet {
  public:
    RecordingSheet(std::shared_ptr<State> state, std::shared_ptr<OpenBook> book, int id)
        : state_(std::move(state)), book_(std::move(book)), id_(id) {}

    std::string name() const override {
        state_->record("Sheet.name");
        return placeOf(*book_, id_)->name;
    }
    void setName(const std::string& name) override {
        state_->record("Sheet.name = " + quoted(name));
        placeOf(*book_, id_)->name = name;
    }

    // The copy bears the source's name, or "Name (2)", "Name (3)", ... while the
    // destination holds that name in any letter case.
    std::shared_ptr<Sheet> copyAfter(Sheet& anchor) override {
        auto& target = dynamic_cast<RecordingSheet&>(anchor);
        state_->record("Sheet.Copy after:=Sheets(" + quoted(target.currentName()) + ")");
        const OpenSheet source = *placeOf(*book_, id_);
        auto& into = target.book_->sheets;
        std::string name = source.name;
        for (int n = 2; std::any_of(into.begin(), into.end(),
                                    [&](const OpenSheet& s) { return sameName(s.name, name); });
             ++n)
            name = source.name + " (" + std::to_string(n) + ")";
        const int copyId = state_->nextSheetId++;
        into.insert(placeOf(*target.book_, target.id_) + 1, OpenSheet{copyId, name, source.kind});
        return std::make_shared<RecordingSheet>(state_, target.book_, copyId);
    }

    void moveAfter(Sheet& anchor) override {
        auto& target = dynamic_cast<RecordingSheet&>(anchor);
        state_->record("Sheet.Move after:=Sheets(" + quoted(target.currentName()) + ")");
        if (target.id_ == id_) return;
        const OpenSheet moved = *placeOf(*book_, id_);
        book_->sheets.erase(placeOf(*book_, id_));
        book_->sheets.insert(placeOf(*book_, target.id_) + 1, moved);
    }

    void deleteSheet() override {
        state_->record("Sheet.Delete");
        book_->sheets.erase(placeOf(*book_, id_));
    }

  private:
    std::string currentName() const { return placeOf(*book_, id_)->name; }  // unlogged

    std::shared_ptr<State> state_;
    std::shared_ptr<OpenBook> book_;
    int id_;
};

// Workbook.Worksheets leaves out chart sheets; Workbook.Sheets holds every kind.
// Both are read afresh on each call, so they follow edits made through them.
class RecordingSheets final : public Sheets {
  public:
    RecordingSheets(std::shared_ptr<State> state, std::shared_ptr<OpenBook> book,
                    bool worksheetsOnly)
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
        return std::make_shared<RecordingSheet>(state_, book_, list[index - 1].id);
    }
    std::shared_ptr<Sheet> item(const std::string& name) override {
        state_->record("Sheets(" + quoted(name) + ")");
        for (const OpenSheet& sheet : members())
            if (sameName(sheet.name, name))
                return std::make_shared<RecordingSheet>(state_, book_, sheet.id);
        throw CallError("There is no sheet named " + quoted(name) + ".");
    }

  private:
    std::vector<OpenSheet> members() const {
        std::vector<OpenSheet> list;
        for (const OpenSheet& sheet : book_->sheets)
            if (!worksheetsOnly_ || sheet.kind == SheetKind::Worksheet) list.push_back(sheet);
        return list;
    }

    std::shared_ptr<State> state_;
    std::shared_ptr<OpenBook> book_;
    bool worksheetsOnly_;
};

class RecordingWorkbook final : public Workbook {
  public:
    RecordingWorkbook(std::shared_ptr<State> state, std::shared_ptr<OpenBook> book)
        : state_(std::move(state)), book_(std::move(book)) {}

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
        state_->save(*book_);
    }

    const std::shared_ptr<OpenBook>& book() const { return book_; }

  private:
    std::shared_ptr<State> state_;
    std::shared_ptr<OpenBook> book_;
};

class RecordingWorkbooks final : public Workbooks {
  public:
    RecordingWorkbooks(std::shared_ptr<State> state, std::shared_ptr<recording::OpenBooks> books)
        : state_(std::move(state)), books_(std::move(books)) {}

    std::shared_ptr<Workbook> open(const std::string& path) override {
        state_->record("Workbooks.Open(" + quoted(path) + ")");
        for (const auto& book : *books_)
            if (book->path == path) return objectOf(book);
        auto file = state_->files.find(path);
        if (file == state_->files.end()) throw CallError(path + " could not be found.");
        auto book = std::make_shared<OpenBook>(OpenBook{path, {}, {}});
        for (const ScriptedSheet& sheet : file->second)
            book->sheets.push_back({state_->nextSheetId++, sheet.name, sheet.kind});
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
        for (const auto& book : a == b ? recording::OpenBooks{a} : recording::OpenBooks{a, b}) {
            state_->record("Workbook(" + quoted(book->path) + ").Save " + std::to_string(locale));
            state_->save(*book);
        }
    }

  private:
    std::shared_ptr<Workbook> objectOf(const std::shared_ptr<OpenBook>& book) {
        if (auto existing = book->object.lock()) return existing;
        auto made = std::make_shared<RecordingWorkbook>(state_, book);
        book->object = made;
        return made;
    }

    std::shared_ptr<State> state_;
    std::shared_ptr<recording::OpenBooks> books_;
};

class RecordingApplication final : public Application {
  public:
    explicit RecordingApplication(std::shared_ptr<State> state) : state_(std::move(state)) {}
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
    std::shared_ptr<State> state_;
    std::shared_ptr<recording::OpenBooks> books_ = std::make_shared<recording::OpenBooks>();
};

}  // namespace

RecordingApplicationFactory::RecordingApplicationFactory() : state_(std::make_shared<State>()) {}

RecordingApplicationFactory::~RecordingApplicationFactory() = default;

void RecordingApplicationFactory::addWorkbook(const std::string& path,
                                              std::vector<ScriptedSheet> sheets) {
    state_->files.insert_or_assign(path, std::move(sheets));
}

std::vector<std::string> RecordingApplicationFactory::sheetNames(const std::string& path) const {
    std::vector<std::string> names;
    for (const ScriptedSheet& sheet : state_->files.at(path)) names.push_back(sheet.name);
    return names;
}

const std::vector<std::string>& RecordingApplicationFactory::log() const {
    return state_->log;
}

void RecordingApplicationFactory::clearLog() {
    state_->log.clear();
}

void RecordingApplicationFactory::failOn(std::string entry, std::string message) {
    state_->failEntry = std::move(entry);
    state_->failEntryMessage = std::move(message);
}

void RecordingApplicationFactory::onCall(std::function<void(const std::string&)> observer) {
    state_->observer = std::move(observer);
}

std::unique_ptr<Application> RecordingApplicationFactory::create() {
    state_->record("CreateObject(\"Excel.Application\")");
    return std::make_unique<RecordingApplication>(state_);
}

}  // namespace excel

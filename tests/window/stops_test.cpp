// Every button's ways of stopping, through the recording boundary: the checks
// that end an operation before any work, in their order; and a failed call,
// reported once naming the files and the reason, the application quit, and
// lists that show what the files hold.
#include <QFile>
#include <QLineEdit>
#include <QtTest>

#include "support/window_under_test.h"

using namespace tarnvale::testing;

namespace {

const QString kBad1 = "Excel File #1 does not appear to be valid";
const QString kBad2 = "Excel File #2 does not appear to be valid";
const QString kSelect2 = "Please select Excel File #2";
const QString kRunning = kExcelMayBeOpen;
const QString kLastMoved = "You can not move a sheet if it is the last one left in the workbook.";
const QString kLastDeleted =
    "You can not delete a sheet if it is the last one left in the workbook.";

// Panel 1 lists one.xls {A, Data, C}, panel 2 two.xls {X, Y, Z}; the second
// entry of each is selected.
struct TwoBooks {
    TwoBooks() {
        two = window.listed(2, "two.xls", {"X", "Y", "Z"}, 1);
        one = window.listed(1, "one.xls", {"A", "Data", "C"}, 1);
    }
    // Placeholders {one} and {two} replaced by the paths.
    QString filled(QString text) const {
        return text.replace("{one}", QString::fromStdString(one))
            .replace("{two}", QString::fromStdString(two));
    }
    QStringList shown() const {
        QStringList texts;
        for (const auto& prompt : window.prompts.shown) {
            texts << QString::fromStdString(prompt.text);
            if (prompt.kind != "messageBox")
                texts.last().prepend(prompt.kind.c_str() + QString(": "));
        }
        return texts;
    }

    WindowUnderTest window;
    std::string one, two;
};

// Rows: the button, panels whose path names no file, the guard's answer (0 not
// asked, 6 Yes, 7 No), entries left in the button's own list, and the boxes shown.
struct Stop {
    const char* label;
    const char* button;
    const char* badPaths;
    int warning;
    int entries;
    QStringList shown;
};
const Stop kStops[] = {
    {"Check1 both bad", "Check1", "12", 0, 3, {kBad1}},
    {"Check1 panel 2 bad", "Check1", "2", 0, 3, {kSelect2}},
    {"Check5 both bad", "Check5", "12", 0, 3, {kSelect2}},
    {"Check5 panel 1 bad", "Check5", "1", 0, 3, {kBad1}},
    {"Check2 both bad", "Check2", "12", 0, 1, {kBad1}},
    {"Check4 both bad", "Check4", "12", 0, 1, {kBad1}},
    {"Check4 panel 2 bad", "Check4", "2", 0, 3, {kSelect2}},
    {"Check2 declined beats last", "Check2", "", 7, 1, {kRunning}},
    {"Check4 accepted, then last", "Check4", "", 6, 1, {kRunning, kLastMoved}},
    {"Check2 empty list", "Check2", "", 0, 0, {kLastMoved}},
    {"Check7 bad path beats the guard", "Check7", "1", 7, 1, {kBad1}},
    {"Check10 bad path", "Check10", "2", 0, 1, {kBad2}},
    {"Check8 declined", "Check8", "", 7, 1, {kRunning}},
    {"Check8 accepted, then last", "Check8", "", 6, 1, {kRunning, kLastDeleted}},
    {"Check7 empty list", "Check7", "", 0, 0, {kLastDeleted}},
    {"Check10 accepted, one entry", "Check10", "", 6, 1, {kRunning, "inputBox: Rename to:"}},
    {"Check3 declined", "Check3", "", 7, 3, {kRunning}},
    {"Check6 accepted: the dialog", "Check6", "", 6, 3, {kRunning, "openFile: Select Excel File"}},
};

// After a failed call the application is quit once it was open; once a move's
// commit has begun, only the files know what they hold, so both lists are read
// again from them; else the lists and selections stay. Rows: the button, the
// failing call, whether it quits and relists, the message before the reason,
// and what the files hold.
struct Failure {
    const char* label;
    const char* button;
    const char* failing;
    bool quits;
    bool relisted;
    const char* message;
    QStringList files;
};
const char* const kCopied = "The sheet \"Data\" could not be copied from {one} to {two}";
const char* const kMoved = "The sheet \"Data\" could not be moved from {one} to {two}";
const char* const kDeleted = "The sheet \"Y\" could not be deleted from {two}";
const char* const kRenamed = "The sheet \"Y\" in {two} could not be renamed to \"New\"";
const char* const kNotClosed = "The work is saved in {two}, but the workbooks could not be closed";
const QStringList kAsBefore{"A,Data,C", "X,Y,Z"};
const Failure kFailures[] = {
    {"copy: open source", "Check1", "Workbooks.Open(\"{one}\")", false, false, kCopied, kAsBefore},
    {"copy: open destination", "Check1", "Workbooks.Open(\"{two}\")", true, false, kCopied,
     kAsBefore},
    {"copy: save", "Check1", "Workbook.Save 1033", true, false, kCopied, kAsBefore},
    {"move: delete", "Check2", "Sheet.Delete", true, false, kMoved, kAsBefore},
    {"move: commit", "Check2", "Workbooks.SaveTogether", true, true, kMoved, kAsBefore},
    {"move: source replaced last",
     "Check2",
     "Workbook(\"{one}\").Save 1033",
     true,
     true,
     kMoved,
     {"A,Data,C", "X,Y,Data,Z"}},
    {"delete: open", "Check8", "Workbooks.Open(\"{two}\")", false, false, kDeleted, kAsBefore},
    {"delete: save", "Check8", "Workbook.Save 1033", true, false, kDeleted, kAsBefore},
    {"rename: alerts", "Check10", "DisplayAlerts = False", true, false, "{two} could not be opened",
     kAsBefore},
    {"rename: refused name", "Check10", "Sheet.name = \"New\"", true, false, kRenamed, kAsBefore},
    {"delete: quit", "Check8", "Quit", true, false, kNotClosed, {"A,Data,C", "X,Z"}},
    {"rename: quit", "Check10", "Quit", true, false, kNotClosed, {"A,Data,C", "X,New,Z"}},
};

}  // namespace

class StopsTest : public QObject {
    Q_OBJECT
  private slots:
    void checksInTheirOrder_data() { tableRows(kStops); }
    void checksInTheirOrder() {
        const Stop& row = rowOf(kStops);
        const QString button = row.button;
        TwoBooks books;
        WindowUnderTest& window = books.window;
        const int own =
            QStringList{"Check1", "Check2", "Check7", "Check9"}.contains(button) ? 1 : 2;
        while (window.list(own).count() > row.entries) delete window.list(own).takeItem(0);
        for (int panel : {1, 2})
            if (QString(row.badPaths).contains(QString::number(panel)))
                QFile::remove(window.pathBox(panel).text());
        window.excelRunning = row.warning != 0;
        window.prompts.messageAnswers = {row.warning};
        window.prompts.inputAnswers = {""};
        window.form().mousePointer().setValue(99);
        window.click(row.button);
        QCOMPARE(books.shown(), row.shown);
        const bool workBegan = row.shown.last().startsWith("inputBox");  // the rename's application
        QCOMPARE(window.calls().empty(), !workBegan);
        QCOMPARE(window.pointer(), workBegan ? 0 : 99);  // untouched unless work began
    }

    void failedCalls_data() { tableRows(kFailures); }
    void failedCalls() {
        const Failure& row = rowOf(kFailures);
        TwoBooks books;
        WindowUnderTest& window = books.window;
        const std::string call = books.filled(row.failing).toStdString();
        window.factory.failOn(call, "the disk is full");
        window.prompts.inputAnswers = {"New"};
        window.click(row.button);

        QCOMPARE(window.messages(),
                 QStringList{books.filled(row.message) + ".\r\n\r\nThe disk is full"});
        QCOMPARE(window.prompts.shown.back().buttons, 0);
        const Calls listings = join({listingCalls(books.one, 3),
                                     listingCalls(books.two, int(row.files[1].count(',')) + 1)});
        QCOMPARE(window.callsAfter(call),
                 join({shutdown(row.quits), row.relisted ? listings : Calls{}}));
        const QStringList held{toQt(window.factory.sheetNames(books.one)).join(','),
                               toQt(window.factory.sheetNames(books.two)).join(',')};
        QCOMPARE(held, row.files);
        QCOMPARE(QStringList({window.entries(1).join(','), window.entries(2).join(',')}),
                 row.files);
        QCOMPARE(window.list(1).currentRow(), row.relisted ? 0 : 1);
        QCOMPARE(window.pointer(), 0);
    }
};

QTEST_MAIN(StopsTest)
#include "stops_test.moc"

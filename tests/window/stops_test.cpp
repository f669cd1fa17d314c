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

}  // namespace

class StopsTest : public QObject {
    Q_OBJECT
  private slots:
    void checksInTheirOrder_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("badPaths");  // panels whose path names no file
        QTest::addColumn<int>("warning");       // the guard's answer: 0 not asked, 6 Yes, 7 No
        QTest::addColumn<int>("entries");       // left in the button's own list
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("Check1 both bad") << "Check1"
                                         << "12" << 0 << 3 << QStringList{kBad1};
        QTest::newRow("Check1 panel 2 bad") << "Check1"
                                            << "2" << 0 << 3 << QStringList{kSelect2};
        QTest::newRow("Check5 both bad") << "Check5"
                                         << "12" << 0 << 3 << QStringList{kSelect2};
        QTest::newRow("Check5 panel 1 bad") << "Check5"
                                            << "1" << 0 << 3 << QStringList{kBad1};
        QTest::newRow("Check2 both bad") << "Check2"
                                         << "12" << 0 << 1 << QStringList{kBad1};
        QTest::newRow("Check4 both bad") << "Check4"
                                         << "12" << 0 << 1 << QStringList{kBad1};
        QTest::newRow("Check4 panel 2 bad") << "Check4"
                                            << "2" << 0 << 3 << QStringList{kSelect2};
        QTest::newRow("Check2 declined beats last") << "Check2"
                                                    << "" << 7 << 1 << QStringList{kRunning};
        QTest::newRow("Check4 accepted, then last")
            << "Check4"
            << "" << 6 << 1 << QStringList{kRunning, kLastMoved};
        QTest::newRow("Check2 empty list") << "Check2"
                                           << "" << 0 << 0 << QStringList{kLastMoved};
        QTest::newRow("Check7 bad path beats the guard") << "Check7"
                                                         << "1" << 7 << 1 << QStringList{kBad1};
        QTest::newRow("Check10 bad path") << "Check10"
                                          << "2" << 0 << 1 << QStringList{kBad2};
        QTest::newRow("Check8 declined") << "Check8"
                                         << "" << 7 << 1 << QStringList{kRunning};
        QTest::newRow("Check8 accepted, then last")
            << "Check8"
            << "" << 6 << 1 << QStringList{kRunning, kLastDeleted};
        QTest::newRow("Check7 empty list") << "Check7"
                                           << "" << 0 << 0 << QStringList{kLastDeleted};
        QTest::newRow("Check10 accepted, one entry: asks the name")
            << "Check10"
            << "" << 6 << 1 << QStringList{kRunning, "inputBox: Rename to:"};
        QTest::newRow("Check3 declined") << "Check3"
                                         << "" << 7 << 3 << QStringList{kRunning};
        QTest::newRow("Check6 accepted: the dialog")
            << "Check6"
            << "" << 6 << 3 << QStringList{kRunning, "openFile: Select Excel File"};
    }
    void checksInTheirOrder() {
        QFETCH(QString, button);
        QFETCH(QString, badPaths);
        QFETCH(int, warning);
        QFETCH(int, entries);
        QFETCH(QStringList, shown);
        TwoBooks books;
        WindowUnderTest& window = books.window;
        const int own =
            QStringList{"Check1", "Check2", "Check7", "Check9"}.contains(button) ? 1 : 2;
        while (window.list(own).count() > entries) delete window.list(own).takeItem(0);
        for (int panel : {1, 2})
            if (badPaths.contains(QString::number(panel)))
                QFile::remove(window.pathBox(panel).text());
        window.excelRunning = warning != 0;
        window.prompts.messageAnswers = {warning};
        window.prompts.inputAnswers = {""};
        window.form().mousePointer().setValue(99);
        window.click(qPrintable(button));
        QCOMPARE(books.shown(), shown);
        const bool workBegan = shown.last().startsWith("inputBox");  // the rename's application
        QCOMPARE(window.calls().empty(), !workBegan);
        QCOMPARE(window.pointer(), workBegan ? 0 : 99);  // untouched unless work began
    }

    // After a failed call the application is quit once it was open; once a
    // move's commit has begun, only the files know what they hold, so both lists
    // are read again from them; else the lists and selections stay.
    void failedCalls_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<bool>("quits");
        QTest::addColumn<bool>("relisted");
        QTest::addColumn<QString>("message");  // before the reason
        QTest::addColumn<QStringList>("files");
        const QString copied = "The sheet \"Data\" could not be copied from {one} to {two}";
        const QString moved = "The sheet \"Data\" could not be moved from {one} to {two}";
        const QStringList asBefore{"A,Data,C", "X,Y,Z"};
        QTest::newRow("copy: open source")
            << "Check1"
            << "Workbooks.Open(\"{one}\")" << false << false << copied << asBefore;
        QTest::newRow("copy: open destination")
            << "Check1"
            << "Workbooks.Open(\"{two}\")" << true << false << copied << asBefore;
        QTest::newRow("copy: save") << "Check1"
                                    << "Workbook.Save 1033" << true << false << copied << asBefore;
        QTest::newRow("move: delete") << "Check2"
                                      << "Sheet.Delete" << true << false << moved << asBefore;
        QTest::newRow("move: commit")
            << "Check2"
            << "Workbooks.SaveTogether" << true << true << moved << asBefore;
        QTest::newRow("move: source replaced last")
            << "Check2"
            << "Workbook(\"{one}\").Save 1033" << true << true << moved
            << QStringList{"A,Data,C", "X,Y,Data,Z"};
        const QString deleted = "The sheet \"Y\" could not be deleted from {two}";
        QTest::newRow("delete: open")
            << "Check8"
            << "Workbooks.Open(\"{two}\")" << false << false << deleted << asBefore;
        QTest::newRow("delete: save")
            << "Check8"
            << "Workbook.Save 1033" << true << false << deleted << asBefore;
        const QString renamed = "The sheet \"Y\" in {two} could not be renamed to \"New\"";
        QTest::newRow("rename: alerts")
            << "Check10"
            << "DisplayAlerts = False" << true << false << "{two} could not be opened" << asBefore;
        QTest::newRow("rename: refused name")
            << "Check10"
            << "Sheet.name = \"New\"" << true << false << renamed << asBefore;
        const QString notClosed =
            "The work is saved in {two}, but the workbooks could not be closed";
        QTest::newRow("delete: quit")
            << "Check8"
            << "Quit" << true << false << notClosed << QStringList{"A,Data,C", "X,Z"};
        QTest::newRow("rename: quit")
            << "Check10"
            << "Quit" << true << false << notClosed << QStringList{"A,Data,C", "X,New,Z"};
    }
    void failedCalls() {
        QFETCH(QString, button);
        QFETCH(QString, failing);
        QFETCH(bool, quits);
        QFETCH(bool, relisted);
        QFETCH(QString, message);
        QFETCH(QStringList, files);
        TwoBooks books;
        WindowUnderTest& window = books.window;
        const std::string call = books.filled(failing).toStdString();
        window.factory.failOn(call, "the disk is full");
        window.prompts.inputAnswers = {"New"};
        window.click(qPrintable(button));

        QCOMPARE(window.messages(),
                 QStringList{books.filled(message) + ".\r\n\r\nThe disk is full"});
        QCOMPARE(window.prompts.shown.back().buttons, 0);
        const Calls listings = join({listingCalls(books.one, 3),
                                     listingCalls(books.two, int(files[1].count(QChar(','))) + 1)});
        QCOMPARE(window.callsAfter(call), join({shutdown(quits), relisted ? listings : Calls{}}));
        const QStringList held{toQt(window.factory.sheetNames(books.one)).join(','),
                               toQt(window.factory.sheetNames(books.two)).join(',')};
        QCOMPARE(held, files);
        QCOMPARE(QStringList({window.entries(1).join(','), window.entries(2).join(',')}), files);
        QCOMPARE(window.list(1).currentRow(), relisted ? 0 : 1);
        QCOMPARE(window.pointer(), 0);
    }
};

QTEST_MAIN(StopsTest)
#include "stops_test.moc"

// The delete (Check7, Check8) and rename (Check9, Check10) handlers through the
// recording boundary with scripted prompts: call order, message precedence,
// pointer, list edits and failure paths.
#include <QFile>
#include <QLineEdit>
#include <QtTest>

#include "support/window_under_test.h"

using namespace tarnvale::testing;

namespace {

const char* kLastSheet = "You can not delete a sheet if it is the last one left in the workbook.";

const char* deleteButton(int panel) {
    return panel == 1 ? "Check7" : "Check8";
}
const char* renameButton(int panel) {
    return panel == 1 ? "Check9" : "Check10";
}

Calls opening(const std::string& path) {
    Calls calls = tarnvale::testing::openingCalls(path);
    calls.push_back("DisplayAlerts = False");
    return calls;
}

}  // namespace

class OperationsTest : public QObject {
    Q_OBJECT
  private slots:
    void deleteEditsTheListOnceSaved_data() {
        QTest::addColumn<int>("panel");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("remaining");
        QTest::addColumn<int>("nowSelected");
        QTest::newRow("panel 1 first") << 1 << 0 << QStringList{"B", "C", "D", "E"} << 0;
        QTest::newRow("panel 2 middle") << 2 << 2 << QStringList{"A", "B", "D", "E"} << 1;
        QTest::newRow("panel 2 last") << 2 << 4 << QStringList{"A", "B", "C", "D"} << 3;
    }
    void deleteEditsTheListOnceSaved() {
        QFETCH(int, panel);
        QFETCH(int, selected);
        QFETCH(QStringList, remaining);
        QFETCH(int, nowSelected);
        WindowUnderTest window;
        const std::string path =
            window.listed(panel, "book.xls", {"A", "B", "C", "D", "E"}, selected);
        const std::string name = window.list(panel).item(selected)->text().toStdString();
        QList<int> pointerDuringDelete;
        window.factory.onCall([&](const std::string& call) {
            if (call == "Sheet.Delete") pointerDuringDelete << window.pointer();
        });
        window.form().mousePointer().setValue(99);  // the mouse rests on the button
        window.click(deleteButton(panel));

        QCOMPARE(window.calls(), join({opening(path),
                                       {"Workbook.Sheets", "Sheets(\"" + name + "\")",
                                        "Sheet.Delete", "Workbook.Save 1033", "Quit", "Release"}}));
        QVERIFY(window.prompts.shown.empty());  // no confirmation, no closing message
        QCOMPARE(window.entries(panel), remaining);
        QCOMPARE(window.list(panel).currentRow(), nowSelected);
        QCOMPARE(toQt(window.factory.sheetNames(path)), remaining);
        QCOMPARE(pointerDuringDelete, QList<int>{11});
        QCOMPARE(window.pointer(), 0);
        QCOMPARE(window.entries(3 - panel), QStringList());  // the other panel untouched
    }

    void validationMessagesInTheirOrder_data() {
        QTest::addColumn<bool>("badPath");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QStringList>("deleteMessages");
        QTest::addColumn<bool>("renameGoesOn");
        const QString badPath = QStringLiteral("Excel File #%1 does not appear to be valid");
        QTest::newRow("bad path beats one entry")
            << true << true << 6 << 1 << QStringList{badPath} << false;
        QTest::newRow("declined warning beats one entry")
            << false << true << 7 << 1 << QStringList{kExcelMayBeOpen} << false;
        QTest::newRow("accepted warning, then one entry")
            << false << true << 6 << 1 << QStringList{kExcelMayBeOpen, kLastSheet} << true;
        QTest::newRow("one entry") << false << false << 0 << 1 << QStringList{kLastSheet} << true;
        QTest::newRow("empty list") << false << false << 0 << 0 << QStringList{kLastSheet} << true;
    }
    void validationMessagesInTheirOrder() {
        QFETCH(bool, badPath);
        QFETCH(bool, running);
        QFETCH(int, answer);
        QFETCH(int, entries);
        QFETCH(QStringList, deleteMessages);
        QFETCH(bool, renameGoesOn);
        for (int panel : {1, 2}) {
            for (bool rename : {false, true}) {
                WindowUnderTest window;
                const std::string path = window.listed(panel, "book.xls", {"Only", "Second"}, 0);
                if (entries < 2) delete window.list(panel).takeItem(1);
                if (entries < 1) delete window.list(panel).takeItem(0);
                if (badPath) {  // the file went away after the listing
                    QFile::remove(QString::fromStdString(path));
                }
                window.excelRunning = running;
                window.prompts.messageAnswers = {answer};
                window.prompts.inputAnswers = {""};
                window.form().mousePointer().setValue(99);
                window.click(rename ? renameButton(panel) : deleteButton(panel));

                QStringList expected = deleteMessages;
                if (rename) expected.removeAll(kLastSheet);
                for (auto& text : expected) text = text.arg(panel);
                QCOMPARE(window.messages(), expected);
                for (const auto& prompt : window.prompts.shown)
                    if (prompt.kind == "messageBox" && prompt.text != kExcelMayBeOpen)
                        QCOMPARE(prompt.buttons, 0);
                const bool wentOn = rename && renameGoesOn;
                QCOMPARE(window.calls().empty(), !wentOn);
                QCOMPARE(window.pointer(), wentOn ? 0 : 99);  // untouched unless work began
            }
        }
    }

    // The prompt comes once the workbook is open, under the hourglass; Cancel
    // (an empty answer) only releases the application.
    void renameAsksOnceTheWorkbookIsOpen_data() {
        QTest::addColumn<int>("panel");
        QTest::addColumn<QString>("answer");
        QTest::newRow("panel 1") << 1 << "Costs 2024";
        QTest::newRow("panel 2, blanks kept") << 2 << "  padded  ";
        QTest::newRow("Cancel") << 1 << "";
    }
    void renameAsksOnceTheWorkbookIsOpen() {
        QFETCH(int, panel);
        QFETCH(QString, answer);
        WindowUnderTest window;
        const std::string path = window.listed(panel, "book.xls", {"A", "B", "C"}, 1);
        int pointerDuringPrompt = -1;
        window.prompts.onShow = [&](const auto&) { pointerDuringPrompt = window.pointer(); };
        window.prompts.inputAnswers = {answer.toStdString()};
        window.click(renameButton(panel));

        QCOMPARE(window.prompts.shown.size(), 1u);
        const auto& prompt = window.prompts.shown[0];
        QCOMPARE(prompt.kind, std::string("inputBox"));
        QCOMPARE(prompt.text, std::string("Rename to:"));
        QCOMPARE(prompt.detail, std::string("B"));
        QCOMPARE(prompt.callsBefore, opening(path).size());
        QCOMPARE(pointerDuringPrompt, 11);
        const bool cancelled = answer.isEmpty();
        QCOMPARE(
            window.calls(),
            join({opening(path), cancelled ? Calls{"Release"}
                                           : Calls{"Workbook.Sheets", "Sheets(\"B\")",
                                                   "Sheet.name = " + inQuotes(answer.toStdString()),
                                                   "Workbook.Save 1033", "Quit", "Release"}}));
        const QStringList after{"A", cancelled ? "B" : answer, "C"};
        QCOMPARE(window.entries(panel), after);
        QCOMPARE(window.list(panel).currentRow(), 1);
        QCOMPARE(toQt(window.factory.sheetNames(path)), after);
        QCOMPARE(window.pointer(), 0);
    }

    // A failed call: one message naming the file and the reason; Quit; the list
    // and the file as they were; the default pointer; the window usable again.
    void failedCallsLeaveListAndFileAsTheyWere_data() {
        QTest::addColumn<bool>("rename");
        QTest::addColumn<QString>("failingCall");
        QTest::addColumn<bool>("quits");
        QTest::newRow("delete: open") << false << "Workbooks.Open" << false;
        QTest::newRow("delete: no such sheet") << false << "Sheets(\"B\")" << true;
        QTest::newRow("delete: refused") << false << "Sheet.Delete" << true;
        QTest::newRow("delete: save") << false << "Workbook.Save 1033" << true;
        QTest::newRow("rename: open") << true << "Workbooks.Open" << false;
        QTest::newRow("rename: alerts") << true << "DisplayAlerts = False" << true;
        QTest::newRow("rename: refused name") << true << "Sheet.name = \"New\"" << true;
        QTest::newRow("rename: save") << true << "Workbook.Save 1033" << true;
    }
    void failedCallsLeaveListAndFileAsTheyWere() {
        QFETCH(bool, rename);
        QFETCH(QString, failingCall);
        QFETCH(bool, quits);
        WindowUnderTest window;
        const std::string path = window.listed(2, "book.xls", {"A", "B", "C"}, 1);
        std::string failing = failingCall.toStdString();
        if (failing == "Workbooks.Open") failing += "(\"" + path + "\")";
        window.factory.failOn(failing, "the file or its folder is read-only");
        window.prompts.inputAnswers = {"New"};
        window.click(rename ? "Check10" : "Check8");

        QCOMPARE(window.unlessReported(path, "the file or its folder is read-only"), QString());
        QCOMPARE(window.callsAfter(failing), shutdown(quits));
        QCOMPARE(window.entries(2), (QStringList{"A", "B", "C"}));
        QCOMPARE(window.list(2).currentRow(), 1);
        QCOMPARE(toQt(window.factory.sheetNames(path)), (QStringList{"A", "B", "C"}));
        QCOMPARE(window.pointer(), 0);

        // Still usable: the next click works.
        window.prompts.shown.clear();
        window.click("Check8");
        QCOMPARE(window.entries(2), (QStringList{"A", "C"}));
    }

    // The work is saved when the application will not quit: the list shows it,
    // and the message says so, naming the file and the reason.
    void aFailedQuitIsReportedWithTheWorkSaved() {
        for (const char* button : {"Check8", "Check10"}) {
            WindowUnderTest window;
            const std::string path = window.listed(2, "book.xls", {"A", "B", "C"}, 1);
            window.prompts.inputAnswers = {"New"};
            window.factory.failOn("Quit", "the application is busy");
            window.click(button);
            const QStringList after = button == std::string("Check8")
                                          ? QStringList{"A", "C"}
                                          : QStringList{"A", "New", "C"};
            QCOMPARE(toQt(window.factory.sheetNames(path)), after);
            QCOMPARE(window.entries(2), after);
            QCOMPARE(window.messages(),
                     QStringList{QString::fromStdString("The work is saved in " + path +
                                                        ", but the workbooks could not be "
                                                        "closed.\r\n\r\nThe application is busy")});
        }
    }

    void noSelectionFailsLikeAnyOtherCall() {
        for (const char* button : {"Check7", "Check9"}) {
            WindowUnderTest window;
            window.listed(1, "book.xls", {"A", "B"}, -1);
            window.prompts.inputAnswers = {"New"};
            window.click(button);
            QCOMPARE(window.prompts.messages().size(), 1u);
            QVERIFY(window.calls().end()[-3] == "Sheets(\"\")");
            QCOMPARE(window.entries(1), (QStringList{"A", "B"}));
            QCOMPARE(window.pointer(), 0);
        }
    }
};

QTEST_MAIN(OperationsTest)
#include "operations_test.moc"

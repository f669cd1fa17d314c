// The panels' buttons through the recording boundary with scripted prompts:
// browse (Check3, Check6) and the listing a change of path runs, delete (Check7,
// Check8) and rename (Check9, Check10): call order, pointer and list edits.
#include <QLineEdit>
#include <QtTest>

#include "support/window_under_test.h"

using namespace tarnvale::testing;

namespace {

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

class PanelsTest : public QObject {
    Q_OBJECT
  private slots:
    // A new listing replaces the entries of the last one.
    void listsWorksheetsInTabOrderAndSelectsTheFirst() {
        WindowUnderTest window;
        window.listed(1, "old.xls", {"Old", "Older"}, 1);
        const auto path = window.workbook(
            "a.xls", {"A", {"Chart", excel::SheetKind::Chart}, " q1 Data, 'final' ", "C"});
        window.choose(1, path);
        QCOMPARE(window.entries(1), (QStringList{"A", " q1 Data, 'final' ", "C"}));
        QCOMPARE(window.list(1).currentRow(), 0);
        QCOMPARE(window.calls(), listingCalls(path, 3));
        QVERIFY(window.prompts.shown.empty());
        QCOMPARE(window.entries(2), QStringList());
    }

    void aPathOfNoFileIsSilentAndKeepsTheList() {
        WindowUnderTest window;
        window.listed(1, "a.xls", {"A", "B"}, 1);
        window.choose(1, window.missingPath());
        QCOMPARE(window.entries(1), (QStringList{"A", "B"}));
        QCOMPARE(window.list(1).currentRow(), 1);
        QVERIFY(window.calls().empty());
        QVERIFY(window.prompts.shown.empty());
    }

    void typingListsOnlyOnceThePathNamesAFile() {
        WindowUnderTest window;
        const auto path = window.workbook("typed.xls", {"Only"});
        QTest::keyClicks(&window.pathBox(1), QString::fromStdString(path));
        QCOMPARE(window.entries(1), QStringList{"Only"});
        QCOMPARE(window.list(1).currentRow(), 0);  // a lone entry is selected too
        QCOMPARE(std::count(window.calls().begin(), window.calls().end(),
                            "CreateObject(\"Excel.Application\")"),
                 1);
        QVERIFY(window.prompts.shown.empty());  // a typed path asks no guard
    }

    void aFailedCallNamesFileAndReasonAndKeepsTheList_data() {
        QTest::addColumn<QString>("failingCall");
        QTest::addColumn<bool>("quitAfterwards");
        QTest::newRow("open") << "Workbooks.Open" << false;
        QTest::newRow("count") << "Sheets.Count" << true;
        QTest::newRow("second name") << "Sheets(2)" << true;
        QTest::newRow("quit") << "Quit" << true;
    }
    void aFailedCallNamesFileAndReasonAndKeepsTheList() {
        QFETCH(QString, failingCall);
        QFETCH(bool, quitAfterwards);
        WindowUnderTest window;
        window.listed(1, "old.xls", {"Kept", "Also kept"}, 1);
        const auto path = window.workbook("bad.xls", {"A", "B"});
        std::string entry = failingCall.toStdString();
        if (entry == "Workbooks.Open") entry += "(\"" + path + "\")";
        window.factory.failOn(entry, "the file is damaged (its container is corrupt)");
        window.factory.clearLog();
        window.choose(1, path);

        QCOMPARE(window.unlessReported(path, "the file is damaged (its container is corrupt)"),
                 QString());
        QCOMPARE(window.prompts.shown[0].buttons, 0);
        QCOMPARE(window.entries(1), (QStringList{"Kept", "Also kept"}));
        QCOMPARE(window.list(1).currentRow(), 1);
        QCOMPARE(window.callsAfter(entry), shutdown(quitAfterwards));
    }

    void browseShowsOneDialogWithTheButtonUp() {
        WindowUnderTest window;
        const auto path = window.workbook("chosen.xls", {"S1", "S2"});
        auto* check3 = window.form().findChild<tarnvale::GraphicalButton*>("Check3");
        bool upWhileShown = false;
        window.prompts.onShow = [&](const auto&) {
            upWhileShown = check3->value() == 0 && !check3->isDown();
        };
        window.prompts.fileAnswers.push_back(path);
        window.click("Check3");
        QCOMPARE(window.prompts.shown.size(), 1u);
        QCOMPARE(window.prompts.shown[0].kind, std::string("openFile"));
        QCOMPARE(window.prompts.shown[0].text, std::string("Select Excel File"));
        QCOMPARE(window.prompts.shown[0].detail,
                 std::string("Excel Workbooks (*.xls)|*.xls|Excel Templates (*.xlt)|*.xlt"));
        QVERIFY(upWhileShown);
        QCOMPARE(window.pathBox(1).text(), QString::fromStdString(path));
        QCOMPARE(window.entries(1), (QStringList{"S1", "S2"}));
        QCOMPARE(window.calls(), listingCalls(path, 2));
    }

    // Cancel leaves the path; a chosen name of no file lists nothing, and only
    // panel 2 still makes its first entry current.
    void browsingToNoFileKeepsTheList_data() {
        QTest::addColumn<int>("panel");
        QTest::addColumn<bool>("cancel");
        for (int panel : {1, 2}) {
            QTest::addRow("panel %d Cancel", panel) << panel << true;
            QTest::addRow("panel %d missing file", panel) << panel << false;
        }
    }
    void browsingToNoFileKeepsTheList() {
        QFETCH(int, panel);
        QFETCH(bool, cancel);
        WindowUnderTest window;
        const auto path = window.listed(panel, "a.xls", {"Only"}, -1);
        if (!cancel) window.prompts.fileAnswers.push_back(window.missingPath());
        window.click(panel == 1 ? "Check3" : "Check6");
        QCOMPARE(window.pathBox(panel).text(),
                 QString::fromStdString(cancel ? path : window.missingPath()));
        QCOMPARE(window.entries(panel), QStringList{"Only"});
        QCOMPARE(window.list(panel).currentRow(), panel == 2 && !cancel ? 0 : -1);
        QVERIFY(window.messages().isEmpty());
        QVERIFY(window.calls().empty());
    }
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
        window.click(deleteButton(panel));  // the button is up again: the next click acts
        QCOMPARE(window.entries(panel).size(), 3);
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

QTEST_MAIN(PanelsTest)
#include "panels_test.moc"

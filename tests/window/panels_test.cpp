// The workbook panels: browse buttons (Check3, Check6) and the sheet listing that
// a change of a path box runs, through the recording boundary.
#include <QLineEdit>
#include <QtTest>

#include "support/window_under_test.h"

using namespace tarnvale::testing;

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
};

QTEST_MAIN(PanelsTest)
#include "panels_test.moc"

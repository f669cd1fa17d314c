// The delete (Check7, Check8) and rename (Check9, Check10) handlers through the
// recording boundary with scripted prompts: call order, pointer and list edits.
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

QTEST_MAIN(OperationsTest)
#include "operations_test.moc"

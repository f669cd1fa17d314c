// The copy (Check1, Check5) and move (Check2, Check4) handlers through the
// recording boundary with scripted prompts; one table drives both twins.
#include <QLineEdit>
#include <QtTest>

#include "support/window_under_test.h"

using namespace tarnvale::testing;

namespace {

// The button of each operation, by source panel.
const char* button(const QString& operation, int source) {
    if (operation == "copy") return source == 1 ? "Check1" : "Check5";
    return source == 1 ? "Check2" : "Check4";
}

// Workbook.Sheets, then Sheets(name).
Calls sheetCalls(const std::string& name) {
    return {"Workbook.Sheets", "Sheets(" + inQuotes(name) + ")"};
}

// Source book {A, Data, C} in one panel with sourceRow selected; destination
// book in the other with anchorRow selected.
struct TwoBooks {
    explicit TwoBooks(int source, std::vector<excel::ScriptedSheet> destination = {"X", "Y", "Z"},
                      int sourceRow = 1, int anchorRow = 1)
        : sourcePanel(source) {
        to = window.listed(3 - source, "to.xls", std::move(destination), anchorRow);
        from = window.listed(source, "from.xls", {"A", "Data", "C"}, sourceRow);
    }
    // Both lists show what their files hold.
    void checkListsMatchFiles() {
        QCOMPARE(window.entries(sourcePanel), toQt(window.factory.sheetNames(from)));
        QCOMPARE(window.entries(3 - sourcePanel), toQt(window.factory.sheetNames(to)));
    }
    int sourcePanel;
    WindowUnderTest window;
    std::string from, to;
};

// The prompt asks again while the destination list holds the answer; the list's
// comparison counts letter case, the copy's name is what it got. Rows: the
// destination's sheets, the answers, the defaults of the prompts shown, and the
// copy's name ("" when nothing is copied).
struct Clash {
    const char* label;
    const char* operation;
    QStringList destination, answers, defaults;
    const char* copied;
};
const QStringList kClash{"Data", "Other", "Y"};
const Clash kClashes[] = {
    {"copy: same answer, taken answer, free answer",
     "copy",
     kClash,
     {"Data", "Other", "Fresh"},
     {"Data", "Data", "Other"},
     "Fresh"},
    {"move: Cancel", "move", kClash, {""}, {"Data"}, ""},
    {"move: other letter case", "move", {"DATA", "Y"}, {}, {}, "Data (2)"},
    {"move: Cancel with a blank entry in the list",
     "move",
     {"", "Data", "Y"},
     {"", "Y2"},
     {"Data"},
     ""},
    {"copy: answer in other letter case", "copy", kClash, {"DATA"}, {"Data"}, "DATA (2)"},
};

}  // namespace

class CopyMoveTest : public QObject {
    Q_OBJECT
  private slots:
    // Every twin with and without a rename, the first, middle and last entries.
    void callsListsAndFiles_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("answer");  // to the name clash prompt; "" for no clash
        QTest::addColumn<int>("sourceRow");
        QTest::addColumn<int>("anchorRow");
        const int rows[][2] = {{1, 1}, {0, 2}, {2, 0}, {1, 1}, {0, 0}, {2, 2}, {1, 2}, {0, 1}};
        int row = 0;
        for (QString operation : {"copy", "move"}) {
            for (int source : {1, 2}) {
                for (QString answer : {"", "Renamed"}) {
                    QTest::addRow("%s from panel %d %s", qPrintable(operation), source,
                                  answer.isEmpty() ? "" : "renamed")
                        << operation << source << answer << rows[row][0] << rows[row][1];
                    ++row;
                }
            }
        }
    }
    void callsListsAndFiles() {
        QFETCH(QString, operation);
        QFETCH(int, source);
        QFETCH(QString, answer);
        QFETCH(int, sourceRow);
        QFETCH(int, anchorRow);
        const bool move = operation == "move", renamed = !answer.isEmpty();
        const std::string sheet = std::vector<std::string>{"A", "Data", "C"}[sourceRow];
        std::vector<excel::ScriptedSheet> destination{"X", "Y", "Z"};
        if (renamed) destination[(anchorRow + 1) % 3] = sheet;  // the clash
        const std::string anchor = destination[anchorRow].name;
        const std::string name = renamed ? answer.toStdString() : sheet;
        TwoBooks books(source, destination, sourceRow, anchorRow);
        WindowUnderTest& window = books.window;
        QStringList destinationAfter = window.entries(3 - source);
        QStringList sourceAfter = window.entries(source);
        window.prompts.inputAnswers = {name};
        QList<int> pointerDuringCopy;
        window.factory.onCall([&](const std::string& call) {
            if (call.starts_with("Sheet.Copy")) pointerDuringCopy << window.pointer();
        });
        window.click(button(operation, source));

        Calls calls =
            join({openingCalls(books.from), {"Workbooks.Open(" + inQuotes(books.to) + ")"}});
        if (renamed) calls = join({calls, sheetCalls(sheet), {"Sheet.name = " + inQuotes(name)}});
        calls = join({calls,
                      sheetCalls(anchor),
                      sheetCalls(name),
                      {"Sheet.Copy after:=Sheets(" + inQuotes(anchor) + ")", "Sheet.name"}});
        if (renamed) calls = join({calls, sheetCalls(name), {"Sheet.name = " + inQuotes(sheet)}});
        if (move) {
            calls = join({calls,
                          {"DisplayAlerts = False"},
                          sheetCalls(sheet),
                          {"Sheet.Delete", "Workbooks.SaveTogether",
                           "Workbook(" + inQuotes(books.to) + ").Save 1033",
                           "Workbook(" + inQuotes(books.from) + ").Save 1033"}});
            if (source == 1) calls.push_back("Workbooks.Close");
        } else {
            calls.push_back("Workbook.Save 1033");
        }
        QCOMPARE(window.calls(), join({calls, {"DisplayAlerts = False", "Quit", "Release"}}));

        destinationAfter.insert(anchorRow + 1, QString::fromStdString(name));
        QCOMPARE(window.entries(3 - source), destinationAfter);
        QCOMPARE(window.list(3 - source).currentRow(), anchorRow);
        if (move) sourceAfter.removeAt(sourceRow);
        QCOMPARE(window.entries(source), sourceAfter);
        QCOMPARE(window.list(source).currentRow(), move ? std::max(sourceRow, 1) - 1 : sourceRow);
        books.checkListsMatchFiles();

        QCOMPARE(window.prompts.shown.size(), (renamed ? 1u : 0u) + (!move && source == 1));
        if (renamed) {
            QCOMPARE(window.prompts.shown[0].text,
                     std::string("Sheet already exists. Please rename:"));
            QCOMPARE(window.prompts.shown[0].detail, sheet);
            QCOMPARE(window.prompts.shown[0].callsBefore, 0u);  // before any application
        }
        QCOMPARE(window.messages(), (!move && source == 1) ? QStringList{"Done."} : QStringList());
        QCOMPARE(pointerDuringCopy, QList<int>{11});
        QCOMPARE(window.pointer(), 0);
    }

    void nameClashLoop_data() { tableRows(kClashes); }
    void nameClashLoop() {
        const Clash& row = rowOf(kClashes);
        std::vector<excel::ScriptedSheet> names;
        for (const auto& entry : row.destination) names.push_back(entry.toStdString());
        TwoBooks books(1, names, 1, static_cast<int>(names.size()) - 1);
        WindowUnderTest& window = books.window;
        for (const auto& answer : row.answers)
            window.prompts.inputAnswers.push_back(answer.toStdString());
        window.click(button(row.operation, 1));

        QStringList shown;
        for (const auto& prompt : window.prompts.shown)
            if (prompt.kind == "inputBox") shown << QString::fromStdString(prompt.detail);
        QCOMPARE(shown, row.defaults);
        const QString copied = row.copied;
        QCOMPARE(window.entries(2),
                 copied.isEmpty() ? row.destination : row.destination + QStringList{copied});
        QCOMPARE(window.calls().empty(), copied.isEmpty());  // Cancel starts no application
        books.checkListsMatchFiles();
        QCOMPARE(window.pointer(), 0);
    }

    // Two worksheets are enough to move one away.
    void moveFromTwoWorksheets() {
        WindowUnderTest window;
        window.listed(2, "to.xls", {"X"}, 0);
        const std::string from = window.listed(1, "from.xls", {"A", "B"}, 1);
        window.click("Check2");
        QCOMPARE(toQt(window.factory.sheetNames(from)), QStringList{"A"});
        QVERIFY(window.messages().isEmpty());
    }

    // Both panels naming one file: the work happens inside it (a move is a
    // move of the sheet itself, under the name given), nothing is lost, and
    // both lists show what the file holds.
    void bothPanelsOnOneFile() {
        for (const auto& [operation, file] :
             {std::pair{"copy", QStringList{"A", "B", "A2 (2)", "C"}},
              std::pair{"move", QStringList{"B", "A2", "C"}}}) {
            WindowUnderTest window;
            const std::string path = window.listed(1, "one.xls", {"A", "B", "C"}, 0);
            window.choose(2, path);
            window.list(2).setCurrentRow(1);
            window.prompts.inputAnswers = {"A2"};
            window.click(button(operation, 1));
            QCOMPARE(toQt(window.factory.sheetNames(path)), file);
            QCOMPARE(window.entries(1), file);
            QCOMPARE(window.entries(2), file);
            QCOMPARE(window.list(2).currentItem()->text(), QString("B"));
        }
    }
};

QTEST_MAIN(CopyMoveTest)
#include "copy_move_test.moc"

// Copy and move through the window's handlers over the native engine, on
// copies of corpus workbooks, checked with xlrd cell by cell and format by format.
#include <QFile>
#include <QJsonObject>
#include <QtTest>

#include "support/native_window.h"

using tarnvale::testing::corpus;
using tarnvale::testing::digest;
using tarnvale::testing::namesOf;
using tarnvale::testing::NativeWindow;
using tarnvale::testing::readWithXlrd;

class CopyMoveEndToEndTest : public QObject {
    Q_OBJECT
  private slots:
    void landsBehindTheAnchorAsTheSourceWas_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("sourceFile");
        QTest::addColumn<int>("sourceRow");
        QTest::addColumn<QString>("destinationFile");
        QTest::addColumn<int>("anchorRow");
        QTest::addColumn<QString>("answer");  // to the clash prompt; "" for none
        QTest::newRow("copy middle behind first")
            << "Check1"
            << "gnumeric__ttest.xls" << 1 << "poi__rk.xls" << 0 << "";
        QTest::newRow("copy under a new name")
            << "Check5"
            << "readxl__datasets.xls" << 0 << "readxl__datasets.xls" << 2 << "mtcars 1974";
        QTest::newRow("move first behind last")
            << "Check2"
            << "readxl__datasets.xls" << 0 << "gnumeric__ttest.xls" << 3 << "";
        QTest::newRow("move under a new name")
            << "Check4"
            << "gnumeric__ttest.xls" << 3 << "gnumeric__ttest.xls" << 1 << "Unequal";
    }
    void landsBehindTheAnchorAsTheSourceWas() {
        QFETCH(QString, button);
        QFETCH(QString, sourceFile);
        QFETCH(int, sourceRow);
        QFETCH(QString, destinationFile);
        QFETCH(int, anchorRow);
        QFETCH(QString, answer);
        const bool move = button == "Check2" || button == "Check4";
        const int source = button == "Check1" || button == "Check2" ? 1 : 2;
        NativeWindow native;
        const QString to = native.listCopy(3 - source, destinationFile, "to.xls");
        const QString from = native.listCopy(source, sourceFile, "from.xls");
        native.window.list(source).setCurrentRow(sourceRow);
        native.window.list(3 - source).setCurrentRow(anchorRow);
        QJsonArray sourceSheets = readWithXlrd(from, true);
        QJsonArray expected = readWithXlrd(to, true);
        QVERIFY(!sourceSheets.isEmpty() && !expected.isEmpty());
        const QByteArray sourceBefore = digest(from);
        if (!answer.isEmpty()) native.window.prompts.inputAnswers = {answer.toStdString()};
        native.window.click(qPrintable(button));

        QJsonObject copied = sourceSheets[sourceRow].toObject();
        if (!answer.isEmpty()) copied["name"] = answer;
        expected.insert(anchorRow + 1, copied);
        QCOMPARE(readWithXlrd(to, true), expected);
        if (move) {
            sourceSheets.removeAt(sourceRow);
            QCOMPARE(readWithXlrd(from, true), sourceSheets);
        } else {
            QCOMPARE(digest(from), sourceBefore);
        }
        QCOMPARE(native.window.entries(3 - source), namesOf(expected));
        QCOMPARE(native.window.entries(source), namesOf(sourceSheets));
        QCOMPARE(native.window.messages(),
                 button == "Check1" ? QStringList{"Done."} : QStringList());
        QCOMPARE(native.window.pointer(), 0);
    }

    // A destination the engine will not copy into (an Excel 5/95 workbook):
    // one message naming the file, both files and both lists as they were.
    void aRefusedCopyLeavesBothFilesAsTheyWere_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("copy") << "Check1";
        QTest::newRow("move") << "Check2";
    }
    void aRefusedCopyLeavesBothFilesAsTheyWere() {
        QFETCH(QString, button);
        NativeWindow native;
        const QString to = native.listCopy(2, "calamine__misc_biff5_parsing.xls");
        const QString from = native.listCopy(1, "gnumeric__ttest.xls");
        const QStringList lists[] = {native.window.entries(1), native.window.entries(2)};
        const QByteArray before[] = {digest(from), digest(to)};
        native.window.click(qPrintable(button));
        QCOMPARE(native.window.messages().size(), 1);
        QVERIFY2(native.window.messages()[0].contains(from),
                 qPrintable(native.window.messages()[0]));
        QCOMPARE(digest(from), before[0]);
        QCOMPARE(digest(to), before[1]);
        QCOMPARE(native.window.entries(1), lists[0]);
        QCOMPARE(native.window.entries(2), lists[1]);
        QCOMPARE(native.window.pointer(), 0);
    }
};

QTEST_MAIN(CopyMoveEndToEndTest)
#include "copy_move_end_to_end_test.moc"

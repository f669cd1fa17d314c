// The window's handlers over the native engine on real workbooks from the
// corpus (copies for anything that writes), checked by an independent reader
// (xlrd under the system's Python; copies and moves cell by cell and format by
// format).
#include <QFile>
#include <QJsonObject>
#include <QtTest>

#include "support/native_window.h"

using tarnvale::testing::corpus;
using tarnvale::testing::digest;
using tarnvale::testing::namesOf;
using tarnvale::testing::NativeWindow;
using tarnvale::testing::readWithXlrd;

class EndToEndTest : public QObject {
    Q_OBJECT
  private slots:
    void listsAsTheIndependentReaderDoes_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("panel");
        QTest::newRow("functions") << "gnumeric__functions.xls" << 1;
        QTest::newRow("out of alphabetical order") << "rbwriteexcel__sheet_name.xls" << 2;
        QTest::newRow("chart sheet left out") << "parseexcel__chart3.xls" << 1;
        QTest::newRow("blank sheet name") << "ssread__misc.xls" << 2;
        QTest::newRow("apostrophe in a name") << "xlrd__namesdemo.xls" << 1;
        QTest::newRow("non-Latin names") << "phpss__RichTextFontSize.xls" << 2;
    }
    void listsAsTheIndependentReaderDoes() {
        QFETCH(QString, file);
        QFETCH(int, panel);
        NativeWindow native;
        const QString path = corpus(file);
        const QByteArray before = digest(path);
        native.window.choose(panel, path.toStdString());
        QCOMPARE(native.window.entries(panel), namesOf(readWithXlrd(path)));
        QCOMPARE(native.window.list(panel).currentRow(), 0);
        QVERIFY(native.window.prompts.shown.empty());
        QCOMPARE(digest(path), before);
    }

    void aRefusedFileIsReportedAndTheListKept_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("password") << "edr__Test_git_issue_242_std_rc4_pwd_password.xls";
    }
    void aRefusedFileIsReportedAndTheListKept() {
        QFETCH(QString, file);
        NativeWindow native;
        native.window.choose(1, corpus("poi__rk.xls").toStdString());
        native.window.choose(1, corpus(file).toStdString());
        QCOMPARE(native.window.entries(1), (QStringList{"Sheet1", "Sheet2", "Sheet3"}));
        QCOMPARE(native.window.unlessReported(corpus(file).toStdString()), QString());
    }

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
};

QTEST_MAIN(EndToEndTest)
#include "end_to_end_test.moc"

// The window's handlers over the native engine on real workbooks from the
// corpus (copies for anything that writes), checked by an independent reader
// (xlrd under the system's Python).
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "excel/native_application.h"
#include "support/window_under_test.h"

using tarnvale::testing::WindowUnderTest;

namespace {

QString corpus(const QString& name) {
    return QDir(QStringLiteral(TARNVALE_CORPUS_DIR)).filePath(name);
}

// Every worksheet's name and cell values in tab order, as xlrd reads them.
QJsonArray readWithXlrd(const QString& path) {
    const char* script =
        "import json, sys, xlrd\n"
        "book = xlrd.open_workbook(sys.argv[1], on_demand=True)\n"
        "out = []\n"
        "for i in range(book.nsheets):\n"
        "    s = book.sheet_by_index(i)\n"
        "    out.append({'name': s.name, 'cells': [[repr(c.value) for c in s.row(r)]"
        " for r in range(s.nrows)]})\n"
        "print(json.dumps(out))\n";
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

QStringList namesOf(const QJsonArray& sheets) {
    QStringList names;
    for (const auto& sheet : sheets) names << sheet.toObject().value("name").toString();
    return names;
}

QByteArray digest(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

struct NativeWindow {
    NativeWindow() : window(environment()) {}
    tarnvale::Form1Environment environment() {
        tarnvale::Form1Environment env;
        env.factory = &factory;
        return env;
    }
    // A writable copy of a corpus workbook, listed in the panel.
    QString listCopy(int panel, const QString& name) {
        const QString copy = folder.filePath(name);
        QFile::copy(corpus(name), copy);
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        window.choose(panel, copy.toStdString());
        return copy;
    }
    excel::NativeApplicationFactory factory;
    QTemporaryDir folder;
    WindowUnderTest window;
};

}  // namespace

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
        QTest::newRow("too small") << "calamine__too_small.xls";
    }
    void aRefusedFileIsReportedAndTheListKept() {
        QFETCH(QString, file);
        NativeWindow native;
        native.window.choose(1, corpus("poi__rk.xls").toStdString());
        native.window.choose(1, corpus(file).toStdString());
        QCOMPARE(native.window.entries(1), (QStringList{"Sheet1", "Sheet2", "Sheet3"}));
        const auto messages = native.window.prompts.messages();
        QCOMPARE(messages.size(), 1u);
        QVERIFY2(QString::fromStdString(messages[0]).contains(corpus(file)), messages[0].c_str());
    }

    void deleteRemovesOnlyTheSelectedSheet_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("selected");
        QTest::newRow("first") << "readxl__datasets.xls" << 0;
        QTest::newRow("middle") << "jxls__multisheet_markup_output.xls" << 2;
        QTest::newRow("last") << "gnumeric__ttest.xls" << 3;
    }
    void deleteRemovesOnlyTheSelectedSheet() {
        QFETCH(QString, file);
        QFETCH(int, selected);
        NativeWindow native;
        const QString copy = native.listCopy(2, file);
        QJsonArray expected = readWithXlrd(copy);
        QVERIFY(!expected.isEmpty());
        native.window.list(2).setCurrentRow(selected);
        native.window.click("Check8");
        QVERIFY2(
            native.window.prompts.shown.empty(),
            native.window.prompts.shown.empty() ? "" : native.window.prompts.shown[0].text.c_str());
        expected.removeAt(selected);
        QCOMPARE(readWithXlrd(copy), expected);
        QCOMPARE(native.window.entries(2), namesOf(expected));
        QCOMPARE(native.window.pointer(), 0);
    }

    // A name the engine takes renames the sheet in the file and in the list; one
    // it refuses is reported, naming the file, and leaves file and list alone.
    void renameThroughTheEngine_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("taken");
        QTest::newRow("new name") << "Equal variances" << true;
        QTest::newRow("taken, other case") << "OVERVIEW" << false;
        QTest::newRow("bad character") << "a/b" << false;
        QTest::newRow("too long") << QString(32, 'x') << false;
    }
    void renameThroughTheEngine() {
        QFETCH(QString, answer);
        QFETCH(bool, taken);
        NativeWindow native;
        const QString copy = native.listCopy(1, QStringLiteral("gnumeric__ttest.xls"));
        QJsonArray expected = readWithXlrd(copy);
        const QByteArray before = digest(copy);
        native.window.list(1).setCurrentRow(2);
        native.window.prompts.inputAnswers = {answer.toStdString()};
        native.window.click("Check9");
        const auto messages = native.window.prompts.messages();
        if (taken) {
            QVERIFY(messages.empty());
            QJsonObject renamed = expected[2].toObject();
            renamed["name"] = answer;
            expected[2] = renamed;
            QCOMPARE(readWithXlrd(copy), expected);
        } else {
            QCOMPARE(messages.size(), 1u);
            QVERIFY(QString::fromStdString(messages[0]).contains(copy));
            QCOMPARE(digest(copy), before);
        }
        QCOMPARE(native.window.entries(1), namesOf(expected));
        QCOMPARE(native.window.list(1).currentRow(), 2);
        QCOMPARE(native.window.pointer(), 0);
    }
};

QTEST_MAIN(EndToEndTest)
#include "end_to_end_test.moc"

// Start-up of Form1 and its shared routines: FileExists, CentreForm, the hover
// pointer's cursor file and the one-in-a-hundred home page visit.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "app/home_page.h"
#include "common/centre_form.h"
#include "common/file_exists.h"
#include "support/window_under_test.h"

using tarnvale::testing::WindowUnderTest;

class StartupTest : public QObject {
    Q_OBJECT
  private slots:
    void startsEmptyTitledAndWithoutAnyApplication() {
        WindowUnderTest window;
        QCOMPARE(window.pathBox(1).text() + window.pathBox(2).text(), QString());
        QCOMPARE(window.list(1).count() + window.list(2).count(), 0);
        QCOMPARE(window.form().windowTitle(), QStringLiteral("Tarnvale"));
        QVERIFY(window.calls().empty());
        QVERIFY(window.prompts.shown.empty());
        QCOMPARE(window.pointer(), 0);
        QVERIFY(!window.form().windowIcon().isNull());
        QCOMPARE(window.form().windowIcon().availableSizes().value(0), QSize(32, 32));
        QCOMPARE(window.form().pos(),
                 tarnvale::CentredPosition(window.form().screen()->geometry(),
                                           window.form().frameGeometry().size()));
        // Command1 takes the focus and does nothing when pressed.
        window.form().findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QVERIFY(window.prompts.shown.empty());
        QVERIFY(window.calls().empty());
        window.form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window.form()));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
    }

    void centredPosition_data() {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QSize>("outer");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("odd halves truncated")
            << QRect(0, 0, 1024, 768) << QSize(569, 353) << QPoint(227, 207);
        QTest::newRow("second screen")
            << QRect(1920, 0, 1280, 1024) << QSize(580, 384) << QPoint(2270, 320);
        QTest::newRow("screen smaller than the window")
            << QRect(0, 0, 400, 300) << QSize(580, 384) << QPoint(-90, -42);
    }
    void centredPosition() {
        QFETCH(QRect, screen);
        QFETCH(QSize, outer);
        QFETCH(QPoint, expected);
        QCOMPARE(tarnvale::CentredPosition(screen, outer), expected);
    }

    void fileExists() {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("book.xls"));
        QFile(file).open(QIODevice::WriteOnly);
        QVERIFY(tarnvale::FileExists(file.toStdString()));
        QVERIFY(!tarnvale::FileExists(""));
        QVERIFY(!tarnvale::FileExists(folder.path().toStdString()));
        QVERIFY(!tarnvale::FileExists(
            folder.filePath(QStringLiteral("no/such/book.xls")).toStdString()));
        QVERIFY(!tarnvale::FileExists(std::string("bad\0name", 8)));
    }

    void homePageOnlyOnDrawSeven_data() {
        QTest::addColumn<double>("r");
        QTest::addColumn<bool>("opened");
        QTest::newRow("n=6") << 0.0599 << false;
        QTest::newRow("n=7 low") << 0.06 << true;
        QTest::newRow("n=7 high") << 0.0699 << true;
        QTest::newRow("n=8") << 0.07 << false;
    }
    void homePageOnlyOnDrawSeven() {
        QFETCH(double, r);
        QFETCH(bool, opened);
        std::vector<std::string> addresses;
        tarnvale::Form1Environment environment;
        environment.draw = [r] { return r; };
        environment.openAddress = [&](const std::string& address) { addresses.push_back(address); };
        WindowUnderTest window(environment);
        QCOMPARE(addresses.size(), opened ? 1u : 0u);
        if (opened) {
            QCOMPARE(addresses[0], tarnvale::HomePageAddress());
            QVERIFY(QString::fromStdString(addresses[0]).startsWith(QStringLiteral("https://")));
        }
    }

    void missingOrBadCursorFileGivesTheArrowSilently_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("present");
        QTest::newRow("absent") << QByteArray() << false;
        QTest::newRow("text") << QByteArray("not a cursor at all, just text") << true;
        QByteArray truncated;
        QFile real(QStringLiteral(TARNVALE_CURSOR_FILE));
        real.open(QIODevice::ReadOnly);
        truncated = real.read(40);
        QTest::newRow("truncated") << truncated << true;
        QByteArray icon = real.readAll().prepend(truncated);
        icon[2] = 1;  // an icon, not a cursor: no hot spot
        QTest::newRow("icon") << icon << true;
    }
    void missingOrBadCursorFileGivesTheArrowSilently() {
        QFETCH(QByteArray, content);
        QFETCH(bool, present);
        QTemporaryDir folder;
        if (present) {
            QFile file(folder.filePath("HAND-M.CUR"));
            file.open(QIODevice::WriteOnly);
            file.write(content);
        }
        tarnvale::Form1Environment environment;
        environment.applicationFolder = folder.path();
        WindowUnderTest window(environment);
        QVERIFY(!window.form().mousePointer().hasMouseIcon());
        QVERIFY(window.prompts.shown.empty());
        window.form().mousePointer().setValue(99);
        QCOMPARE(window.form().cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"

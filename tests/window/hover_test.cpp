// The hover pointer: mouse moves over the ten graphical buttons show the hand
// (99), over everything else the default (0); the hourglass (11) stays. The
// hand comes from the cursor file with its hot spot.
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QtTest>

#include "support/window_under_test.h"

using tarnvale::testing::WindowUnderTest;

namespace {

void moveOver(QWidget& widget) {
    const QPointF local(widget.width() / 2.0, widget.height() / 2.0);
    QMouseEvent move(QEvent::MouseMove, local, widget.mapToGlobal(local), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
}

QWidget& control(WindowUnderTest& window, const QString& name) {
    if (name == "Form1") return window.form();
    if (name.endsWith(".viewport"))
        return *window.form().findChild<QListWidget*>(name.section('.', 0, 0))->viewport();
    return *window.form().findChild<QWidget*>(name);
}

}  // namespace

class HoverTest : public QObject {
    Q_OBJECT
  private slots:
    void moveRule_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<QString>("over");
        QTest::addColumn<int>("after");
        const char* buttons[] = {"Check1", "Check2", "Check3", "Check4", "Check5",
                                 "Check6", "Check7", "Check8", "Check9", "Check10"};
        for (const char* button : buttons) {
            QTest::addRow("0 over %s", button) << 0 << QString(button) << 99;
            QTest::addRow("11 over %s", button) << 11 << QString(button) << 11;
        }
        const char* others[] = {"Form1",  "Frame1",         "Frame2",        "Label1", "Label2",
                                "Label3", "Label4",         "Text1",         "Text2",  "List1",
                                "List2",  "List1.viewport", "List2.viewport"};
        for (const char* other : others) {
            QTest::addRow("99 over %s", other) << 99 << QString(other) << 0;
            QTest::addRow("11 over %s", other) << 11 << QString(other) << 11;
        }
    }
    void moveRule() {
        QFETCH(int, before);
        QFETCH(QString, over);
        QFETCH(int, after);
        WindowUnderTest window;
        window.form().mousePointer().setValue(before);
        moveOver(control(window, over));
        QCOMPARE(window.pointer(), after);
    }

    void theValueShowsAsTheWindowsPointer() {
        QTemporaryDir folder;
        QFile::copy(QStringLiteral(TARNVALE_CURSOR_FILE), folder.filePath("HAND-M.CUR"));
        tarnvale::Form1Environment environment;
        environment.applicationFolder = folder.path();
        WindowUnderTest window(environment);
        auto& form = window.form();
        QVERIFY(form.mousePointer().hasMouseIcon());
        moveOver(control(window, "Check1"));
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(form.cursor().hotSpot(), QPoint(10, 1));
        form.mousePointer().setValue(11);
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
        QCOMPARE(window.pathBox(1).cursor().shape(), Qt::WaitCursor);
        form.mousePointer().setValue(0);
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(window.pathBox(1).cursor().shape(), Qt::IBeamCursor);
    }
};

QTEST_MAIN(HoverTest)
#include "hover_test.moc"

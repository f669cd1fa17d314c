// Form1's layout against the window's twips table (15 twips to the pixel):
// client size, every control's container, geometry, caption, font and colour,
// and the tab order.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "support/window_under_test.h"

using tarnvale::testing::WindowUnderTest;

namespace {

int px(int twips) {
    return qRound(twips / 15.0);
}

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT
  private slots:
    void clientAreaIsFixed() {
        WindowUnderTest window;
        QCOMPARE(window.form().size(), QSize(px(8535), px(5295)));
        QCOMPARE(window.form().minimumSize(), window.form().maximumSize());
        QVERIFY(!(window.form().windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.form().windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(window.form().palette().color(QPalette::Window), QColor(Qt::white));
    }

    void control_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<double>("points");  // 0: the system's font
        auto row = [](const char* name, const char* container, const char* caption, int left,
                      int top, int width, int height, double points) {
            QTest::newRow(name) << QString(name) << QString(container) << QString(caption)
                                << QRect(left, top, width, height) << points;
        };
        row("Frame2", "Form1", "Excel File #2", 4320, 120, 4095, 5055, 9);
        row("Check10", "Frame2", "Rename Selected Sheet in File #2", 120, 4440, 3855, 400, 11.25);
        row("Check8", "Frame2", "Delete Selected Sheet in File #2", 120, 3960, 3855, 400, 11.25);
        row("Text2", "Frame2", "", 120, 600, 3255, 330, 9);
        row("Check6", "Frame2", "...", 3480, 600, 495, 330, 11.25);
        row("List2", "Frame2", "", 120, 1320, 3855, 1635, 9);
        row("Check5", "Frame2", "Copy Sheet to Excel File #1", 120, 3000, 3855, 400, 11.25);
        row("Check4", "Frame2", "Move Sheet to Excel File #1", 120, 3480, 3855, 400, 11.25);
        row("Label3", "Frame2", " Browse to Excel File:", 120, 300, 3255, 255, 9);
        row("Label1", "Frame2", " Select Excel Sheet:", 120, 1020, 3255, 255, 9);
        row("Frame1", "Form1", "Excel File #1", 120, 120, 4095, 5055, 9);
        row("Check9", "Frame1", "Rename Selected Sheet in File #1", 120, 4440, 3855, 400, 11.25);
        row("Check7", "Frame1", "Delete Selected Sheet in File #1", 120, 3960, 3855, 400, 11.25);
        row("Check2", "Frame1", "Move Sheet to File #2", 135, 3480, 3855, 400, 11.25);
        row("Check1", "Frame1", "Copy Sheet to File #2", 120, 3000, 3855, 400, 11.25);
        row("List1", "Frame1", "", 120, 1320, 3855, 1635, 9);
        row("Check3", "Frame1", "...", 3480, 600, 495, 330, 11.25);
        row("Text1", "Frame1", "", 120, 600, 3255, 330, 9);
        row("Label4", "Frame1", " Select Excel Sheet:", 120, 1020, 3255, 255, 9);
        row("Label2", "Frame1", " Browse to Excel File:", 120, 300, 3255, 255, 9);
        row("Command1", "Form1", "Command1", -720, 2640, 615, 495, 0);
    }
    void control() {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QString, caption);
        QFETCH(QRect, twips);
        QFETCH(double, points);
        WindowUnderTest window;
        auto* widget = window.form().findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget()->objectName(), container);
        QCOMPARE(widget->geometry(),
                 QRect(px(twips.left()), px(twips.top()), px(twips.width()), px(twips.height())));
        QVERIFY(widget->isVisibleTo(&window.form()));
        QVERIFY(widget->isEnabled());

        QString shown;
        if (auto* frame = qobject_cast<QGroupBox*>(widget)) shown = frame->title();
        if (auto* label = qobject_cast<QLabel*>(widget)) shown = label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) shown = button->text();
        if (auto* text = qobject_cast<QLineEdit*>(widget)) shown = text->text();
        QCOMPARE(shown, caption);

        if (points > 0) {
            QCOMPARE(widget->font().family(), QStringLiteral("Arial"));
            QCOMPARE(widget->font().pointSizeF(), points);
            QVERIFY(widget->font().bold());
        }
        const bool white =
            name.startsWith("Frame") || name.startsWith("Label") || name.startsWith("Check");
        if (white) {
            QVERIFY(widget->autoFillBackground());
            QCOMPARE(widget->palette().color(QPalette::Window), QColor(Qt::white));
        }
    }

    void tabOrder() {
        WindowUnderTest window;
        const QStringList expected{"Command1", "Text1",  "Check3", "List1",  "Check1",
                                   "Check2",   "Check4", "Check5", "List2",  "Check6",
                                   "Text2",    "Check7", "Check8", "Check9", "Check10"};
        QStringList visited;
        QWidget* widget = window.form().findChild<QWidget*>("Command1");
        do {
            if (expected.contains(widget->objectName()) && widget->focusPolicy() & Qt::TabFocus)
                visited << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget->objectName() != "Command1");
        QCOMPARE(visited, expected);
        for (const char* name : {"Frame1", "Frame2", "Label1", "Label2", "Label3", "Label4"})
            QCOMPARE(window.form().findChild<QWidget*>(name)->focusPolicy(), Qt::NoFocus);
    }
};

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"

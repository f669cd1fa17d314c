// Form1 as it shows: client size, every control's container, geometry in
// pixels, caption, font and colour, and the tab order. The figures are written
// down here from the window's design in twips (15 twips to the pixel, rounded),
// not taken from the table the window is built from.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "support/window_under_test.h"

using tarnvale::testing::WindowUnderTest;

namespace {

enum class Kind { Frame, Button, TextBox, ListBox, Label, Command };  // Button: graphical
using enum Kind;

struct Shown {
    const char* name;
    Kind kind;
    const char* container;
    const char* caption;  // what it shows: text boxes start empty
    QRect geometry;       // pixels, relative to the container
};

// Both frames 273 x 337 with 7 pixels between them; Check2 one pixel right of its column.
const Shown kControls[] = {
    {"Frame1", Frame, "Form1", "Excel File #1", {8, 8, 273, 337}},
    {"Label2", Label, "Frame1", " Browse to Excel File:", {8, 20, 217, 17}},
    {"Text1", TextBox, "Frame1", "", {8, 40, 217, 22}},
    {"Check3", Button, "Frame1", "...", {232, 40, 33, 22}},
    {"Label4", Label, "Frame1", " Select Excel Sheet:", {8, 68, 217, 17}},
    {"List1", ListBox, "Frame1", "", {8, 88, 257, 109}},
    {"Check1", Button, "Frame1", "Copy Sheet to File #2", {8, 200, 257, 27}},
    {"Check2", Button, "Frame1", "Move Sheet to File #2", {9, 232, 257, 27}},
    {"Check7", Button, "Frame1", "Delete Selected Sheet in File #1", {8, 264, 257, 27}},
    {"Check9", Button, "Frame1", "Rename Selected Sheet in File #1", {8, 296, 257, 27}},
    {"Frame2", Frame, "Form1", "Excel File #2", {288, 8, 273, 337}},
    {"Label3", Label, "Frame2", " Browse to Excel File:", {8, 20, 217, 17}},
    {"Text2", TextBox, "Frame2", "", {8, 40, 217, 22}},
    {"Check6", Button, "Frame2", "...", {232, 40, 33, 22}},
    {"Label1", Label, "Frame2", " Select Excel Sheet:", {8, 68, 217, 17}},
    {"List2", ListBox, "Frame2", "", {8, 88, 257, 109}},
    {"Check5", Button, "Frame2", "Copy Sheet to Excel File #1", {8, 200, 257, 27}},
    {"Check4", Button, "Frame2", "Move Sheet to Excel File #1", {8, 232, 257, 27}},
    {"Check8", Button, "Frame2", "Delete Selected Sheet in File #2", {8, 264, 257, 27}},
    {"Check10", Button, "Frame2", "Rename Selected Sheet in File #2", {8, 296, 257, 27}},
    {"Command1", Command, "Form1", "Command1", {-48, 176, 41, 33}},
};

}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT
  private slots:
    void clientAreaIsFixed() {
        WindowUnderTest window;
        QCOMPARE(window.form().size(), QSize(569, 353));
        QCOMPARE(window.form().minimumSize(), window.form().maximumSize());
        QVERIFY(!(window.form().windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.form().windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(window.form().palette().color(QPalette::Window), QColor(Qt::white));
    }

    // Every control in its container, where the design puts it, visible and
    // enabled, with its caption, Arial bold (11.25 points on the graphical
    // buttons, the system's font on Command1, 9 elsewhere), and white behind
    // frames, labels and graphical buttons.
    void controlsStandWhereTheDesignPutsThem() {
        WindowUnderTest window;
        for (const Shown& control : kControls) {
            auto* widget = window.form().findChild<QWidget*>(control.name);
            QVERIFY2(widget, control.name);
            QCOMPARE(widget->parentWidget()->objectName(), QString(control.container));
            QCOMPARE(widget->geometry(), control.geometry);
            QVERIFY(widget->isVisibleTo(&window.form()));
            QVERIFY(widget->isEnabled());

            QString shown;
            if (auto* frame = qobject_cast<QGroupBox*>(widget)) shown = frame->title();
            if (auto* label = qobject_cast<QLabel*>(widget)) shown = label->text();
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) shown = button->text();
            if (auto* text = qobject_cast<QLineEdit*>(widget)) shown = text->text();
            QCOMPARE(shown, QString(control.caption));

            if (control.kind != Command) {
                QCOMPARE(widget->font().family(), QStringLiteral("Arial"));
                QCOMPARE(widget->font().pointSizeF(), control.kind == Button ? 11.25 : 9);
                QVERIFY(widget->font().bold());
            }
            if (control.kind == Frame || control.kind == Label || control.kind == Button) {
                QVERIFY(widget->autoFillBackground());
                QCOMPARE(widget->palette().color(QPalette::Window), QColor(Qt::white));
            }
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

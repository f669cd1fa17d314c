// Form1 as its layout table in twips gives it (15 twips to the pixel): client
// size, every control's container, geometry, caption, font and colour, and the
// tab order.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "app/form1_layout.h"
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

    // Every control of the window's layout table as the table gives it: in its
    // container, at its twips in pixels, visible and enabled, with its caption (text
    // boxes start empty), Arial bold (11.25 points on the graphical buttons, the
    // system's font on Command1, 9 elsewhere), and white behind frames, labels and
    // graphical buttons.
    void controlsFollowTheLayoutTable() {
        WindowUnderTest window;
        QCOMPARE(tarnvale::Form1Controls().size(), std::size_t{21});
        for (const tarnvale::ControlSpec& spec : tarnvale::Form1Controls()) {
            using K = tarnvale::ControlKind;
            auto* widget = window.form().findChild<QWidget*>(spec.name);
            QVERIFY2(widget, spec.name);
            QCOMPARE(widget->parentWidget()->objectName(), QString(spec.container));
            QCOMPARE(widget->geometry(),
                     QRect(px(spec.left), px(spec.top), px(spec.width), px(spec.height)));
            QVERIFY(widget->isVisibleTo(&window.form()));
            QVERIFY(widget->isEnabled());

            QString shown;
            if (auto* frame = qobject_cast<QGroupBox*>(widget)) shown = frame->title();
            if (auto* label = qobject_cast<QLabel*>(widget)) shown = label->text();
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) shown = button->text();
            if (auto* text = qobject_cast<QLineEdit*>(widget)) shown = text->text();
            QCOMPARE(shown, spec.kind == K::TextBox ? QString() : QString(spec.caption));

            if (spec.kind != K::CommandButton) {
                QCOMPARE(widget->font().family(), QStringLiteral("Arial"));
                QCOMPARE(widget->font().pointSizeF(), spec.kind == K::GraphicalButton ? 11.25 : 9);
                QVERIFY(widget->font().bold());
            }
            if (spec.kind == K::Frame || spec.kind == K::Label || spec.kind == K::GraphicalButton) {
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

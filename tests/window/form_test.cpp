// Form1 itself: start-up and its shared routines (FileExists, CentreForm, the
// cursor file, the one-in-a-hundred home page visit), the hover pointer, and the
// layout as it shows. The layout's figures are written down here from the
// window's design in twips (15 twips to the pixel, rounded), not taken from the
// table the window is built from.
#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "app/home_page.h"
#include "common/centre_form.h"
#include "common/file_exists.h"
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

class FormTest : public QObject {
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

    void centredPosition() {
        const std::tuple<QRect, QSize, QPoint> cases[] = {
            {{0, 0, 1024, 768}, {569, 353}, {227, 207}},       // odd halves truncated
            {{1920, 0, 1280, 1024}, {580, 384}, {2270, 320}},  // a second screen
            {{0, 0, 400, 300}, {580, 384}, {-90, -42}},        // smaller than the window
        };
        for (const auto& [screen, outer, expected] : cases)
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

    void homePageOnlyOnDrawSeven() {
        for (const auto& [r, opened] :
             {std::pair{0.0599, false}, {0.06, true}, {0.0699, true}, {0.07, false}}) {
            std::vector<std::string> addresses;
            tarnvale::Form1Environment environment;
            environment.draw = [draw = r] { return draw; };
            environment.openAddress = [&](const std::string& address) {
                addresses.push_back(address);
            };
            WindowUnderTest window(environment);
            QCOMPARE(addresses.size(), opened ? 1u : 0u);
            if (opened) {
                QCOMPARE(addresses[0], tarnvale::HomePageAddress());
                QVERIFY(QString::fromStdString(addresses[0]).startsWith("https://"));
            }
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
    // Over the ten graphical buttons the hand (99), elsewhere the default (0);
    // the hourglass (11) stays.
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

QTEST_MAIN(FormTest)
#include "form_test.moc"

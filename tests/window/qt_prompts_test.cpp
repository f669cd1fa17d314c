// The real dialogs behind the prompts: titled "Tarnvale", no icon, the
// buttons and answers the handlers rely on. Each box is answered by a timer.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "common/qt_prompts.h"

namespace {

// Runs answer on the next modal dialog once it shows.
void whenModalShows(std::function<void(QWidget&)> answer) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(*modal);
        }
    });
    timer->start(10);
}

}  // namespace

class QtPromptsTest : public QObject {
    Q_OBJECT
  private slots:
    // Yes/No takes Yes on Enter (press 0) and answers 6 or 7; OK answers 1.
    void messageBoxButtonsAndAnswers() {
        const int yesNo = QMessageBox::Yes | QMessageBox::No;
        const int rows[][4] = {{4, 0, 6, yesNo},
                               {4, QMessageBox::No, 7, yesNo},
                               {0, QMessageBox::Ok, 1, QMessageBox::Ok}};
        for (const auto& [buttons, press, answer, shownButtons] : rows) {
            QWidget parent;
            tarnvale::QtPrompts prompts(&parent);
            QString title, text;
            int icon = -1, shown = 0;
            whenModalShows([&, press = press](QWidget& modal) {
                auto& box = static_cast<QMessageBox&>(modal);
                title = box.windowTitle();
                text = box.text();
                icon = box.icon();
                shown = box.standardButtons();
                if (press)
                    box.button(QMessageBox::StandardButton(press))->click();
                else
                    QTest::keyClick(&box, Qt::Key_Return);
            });
            QCOMPARE(prompts.messageBox("First.\r\n\r\nSecond?", buttons), answer);
            QCOMPARE(title, QStringLiteral("Tarnvale"));
            QCOMPARE(text, QStringLiteral("First.\n\nSecond?"));
            QCOMPARE(icon, int(QMessageBox::NoIcon));
            QCOMPARE(shown, shownButtons);
        }
    }

    void inputBoxGivesTheTextOrEmptyOnCancel() {
        tarnvale::QtPrompts prompts(nullptr);
        QString title, shownDefault;
        whenModalShows([&](QWidget& modal) {
            auto& dialog = static_cast<QInputDialog&>(modal);
            title = dialog.windowTitle();
            shownDefault = dialog.textValue();
            dialog.setTextValue(QStringLiteral(" New name "));
            dialog.accept();
        });
        QCOMPARE(prompts.inputBox("Rename to:", "Old"), std::string(" New name "));
        QCOMPARE(title, QStringLiteral("Tarnvale"));
        QCOMPARE(shownDefault, QStringLiteral("Old"));

        whenModalShows([](QWidget& modal) { static_cast<QDialog&>(modal).reject(); });
        QCOMPARE(prompts.inputBox("Rename to:", "Old"), std::string());
    }

    void openFileDialogAcceptsAMissingNameAndCancels() {
        tarnvale::QtPrompts prompts(nullptr);
        QString title;
        QStringList filters;
        QTemporaryDir folder;
        const QString missing = folder.filePath(QStringLiteral("not-there.xls"));
        whenModalShows([&](QWidget& modal) {
            auto& dialog = static_cast<QFileDialog&>(modal);
            title = dialog.windowTitle();
            filters = dialog.nameFilters();
            dialog.selectFile(missing);
            static_cast<QDialog&>(dialog).accept();
        });
        const std::string chosen = prompts.openFile(
            "Select Excel File", "Excel Workbooks (*.xls)|*.xls|Excel Templates (*.xlt)|*.xlt");
        QCOMPARE(QString::fromStdString(chosen), missing);
        QCOMPARE(title, QStringLiteral("Select Excel File"));
        QCOMPARE(filters, (QStringList{"Excel Workbooks (*.xls)", "Excel Templates (*.xlt)"}));

        whenModalShows([](QWidget& modal) { static_cast<QDialog&>(modal).reject(); });
        QCOMPARE(prompts.openFile("Select Excel File", "A (*.a)|*.a"), std::string());
    }
};

QTEST_MAIN(QtPromptsTest)
#include "qt_prompts_test.moc"

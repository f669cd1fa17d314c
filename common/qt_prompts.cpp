#include "qt_prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QWidget>

namespace tarnvale {
namespace {

const QString kTitle = QStringLiteral("Tarnvale");

QString displayText(const std::string& prompt) {
    return QString::fromStdString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

QtPrompts::QtPrompts(QWidget* parent) : parent_(parent) {}

int QtPrompts::messageBox(const std::string& prompt, int buttons) {
    QMessageBox box(QMessageBox::NoIcon, kTitle, displayText(prompt), QMessageBox::NoButton,
                    parent_);
    if (buttons == excel::kButtonsYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? excel::kAnswerYes : excel::kAnswerNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return excel::kAnswerOk;
}

std::string QtPrompts::inputBox(const std::string& prompt, const std::string& defaultText) {
    QInputDialog dialog(parent_);
    dialog.setWindowTitle(kTitle);
    dialog.setLabelText(displayText(prompt));
    dialog.setTextValue(QString::fromStdString(defaultText));
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.textValue().toStdString();
}

QString QtPrompts::qtFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString pattern = parts[i + 1];
        entries << (description.contains(QLatin1Char('(')) ? description
                                                           : description + " (" + pattern + ")");
    }
    return entries.join(QStringLiteral(";;"));
}

std::string QtPrompts::openFile(const std::string& title, const std::string& filter) {
    QFileDialog dialog(parent_, QString::fromStdString(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name of no existing file is accepted; the listing then finds nothing.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(qtFilter(filter).split(QStringLiteral(";;")));
    dialog.selectFile(QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst().toStdString();
}

}  // namespace tarnvale

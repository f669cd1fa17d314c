#include "support/window_under_test.h"

#include <QFile>
#include <QLineEdit>
#include <algorithm>

namespace tarnvale::testing {

QStringList toQt(const std::vector<std::string>& texts) {
    QStringList list;
    for (const auto& text : texts) list << QString::fromStdString(text);
    return list;
}

Calls join(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string inQuotes(const std::string& text) {
    return "\"" + text + "\"";
}

Calls shutdown(bool quits) {
    return quits ? Calls{"Quit", "Release"} : Calls{"Release"};
}

WindowUnderTest::WindowUnderTest(Form1Environment environment) {
    prompts.callLog = &factory.log();
    if (!environment.factory) environment.factory = &factory;
    environment.prompts = &prompts;
    if (!environment.isExcelRunning) environment.isExcelRunning = [this] { return excelRunning; };
    if (!environment.draw) environment.draw = [] { return 0.5; };
    if (!environment.openAddress) environment.openAddress = [](const std::string&) {};
    if (environment.applicationFolder.isEmpty()) environment.applicationFolder = folder_.path();
    form_ = std::make_unique<Form1>(environment);
}

std::string WindowUnderTest::workbook(const std::string& fileName,
                                      std::vector<excel::ScriptedSheet> sheets) {
    const QString path = folder_.filePath(QString::fromStdString(fileName));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("scripted");
    factory.addWorkbook(path.toStdString(), std::move(sheets));
    return path.toStdString();
}

Calls WindowUnderTest::callsAfter(const std::string& call) const {
    const auto& log = calls();
    const auto found = std::find(log.begin(), log.end(), call);
    if (found == log.end()) {
        qWarning("call %s was not made", call.c_str());
        return {"(not called)"};
    }
    return {found + 1, log.end()};
}

QString WindowUnderTest::unlessReported(const std::string& path, const std::string& reason) const {
    const QStringList shown = messages();
    const bool reported = shown.size() == 1 && shown[0].count(QString::fromStdString(path)) == 1 &&
                          shown[0].endsWith(QString::fromStdString(reason), Qt::CaseInsensitive);
    return reported ? QString() : "shown: " + shown.join(" | ");
}

std::string WindowUnderTest::listed(int panel, const std::string& fileName,
                                    std::vector<excel::ScriptedSheet> sheets, int selected) {
    const std::string path = workbook(fileName, std::move(sheets));
    choose(panel, path);
    list(panel).setCurrentRow(selected);
    factory.clearLog();
    return path;
}

std::string WindowUnderTest::missingPath() const {
    return folder_.filePath(QStringLiteral("missing.xls")).toStdString();
}

void WindowUnderTest::choose(int panel, const std::string& path) {
    pathBox(panel).setText(QString::fromStdString(path));
}

void WindowUnderTest::click(const char* buttonName) {
    form_->findChild<GraphicalButton*>(QString::fromUtf8(buttonName))->click();
}

QLineEdit& WindowUnderTest::pathBox(int panel) {
    return *form_->context().panel(panel).pathBox;
}

QListWidget& WindowUnderTest::list(int panel) {
    return *form_->context().panel(panel).sheetList;
}

QStringList WindowUnderTest::entries(int panel) {
    QStringList texts;
    for (int i = 0; i < list(panel).count(); ++i) texts << list(panel).item(i)->text();
    return texts;
}

}  // namespace tarnvale::testing

// Form1 over the recording boundary and scripted prompts, with workbook files
// in a temporary folder (real files, so FileExists passes; their sheets are
// scripted in the recording factory).
#pragma once

#include <QListWidget>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "common/graphical_button.h"
#include "excel/recording_application.h"
#include "support/scripted_prompts.h"
#include "tests/support/automation_calls.h"

class QLineEdit;

namespace tarnvale::testing {

// The guard's question when the spreadsheet application may be running.
inline constexpr const char* kExcelMayBeOpen =
    "Excel may be open. It is recommended that you close Excel first.\r\n\r\n"
    "Would you like to proceed anyway?";

using Calls = std::vector<std::string>;

QStringList toQt(const std::vector<std::string>& texts);
// The parts one after another.
Calls join(std::initializer_list<Calls> parts);
std::string inQuotes(const std::string& text);
// What follows a failing call: "Quit" once the workbook was open, then "Release".
Calls shutdown(bool quits);

// A table's rows as a data-driven test's rows, named by their label; the test
// takes its row with rowOf(table).
template <typename Row, std::size_t N>
void tableRows(const Row (&table)[N]) {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < N; ++i) QTest::newRow(table[i].label) << static_cast<int>(i);
}
template <typename Row, std::size_t N>
const Row& rowOf(const Row (&table)[N]) {
    QFETCH(int, row);
    return table[row];
}

class WindowUnderTest {
  public:
    explicit WindowUnderTest(Form1Environment environment = {});

    // A file in the temporary folder, scripted with these sheets.
    std::string workbook(const std::string& fileName, std::vector<excel::ScriptedSheet> sheets);
    std::string missingPath() const;
    // A scripted workbook chosen in the panel, the entry at row selected made
    // current, and the calls of the listing cleared from the log.
    std::string listed(int panel, const std::string& fileName,
                       std::vector<excel::ScriptedSheet> sheets, int selected);

    // Sets the panel's path box as a user would by typing it in one go.
    void choose(int panel, const std::string& path);
    void click(const char* buttonName);

    Form1& form() { return *form_; }
    QLineEdit& pathBox(int panel);
    QListWidget& list(int panel);
    QStringList entries(int panel);
    int pointer() { return form_->mousePointer().value(); }
    const std::vector<std::string>& calls() const { return factory.log(); }
    QStringList messages() const { return toQt(prompts.messages()); }
    // The calls logged after the first one equal to call; a test failure when it is absent.
    Calls callsAfter(const std::string& call) const;
    // A failed call as the window reports it: the only message, naming path once
    // and ending with the reason (any when empty). Empty when so; else what was shown.
    QString unlessReported(const std::string& path, const std::string& reason = {}) const;

    bool excelRunning = false;
    excel::RecordingApplicationFactory factory;
    ScriptedPrompts prompts;

  private:
    QTemporaryDir folder_;
    std::unique_ptr<Form1> form_;
};

}  // namespace tarnvale::testing

// Form1 over the recording boundary and scripted prompts, with workbook files
// in a temporary folder (real files, so FileExists passes; their sheets are
// scripted in the recording factory).
#pragma once

#include <QListWidget>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "common/graphical_button.h"
#include "excel/recording_application.h"
#include "support/scripted_prompts.h"

class QLineEdit;

namespace tarnvale::testing {

class WindowUnderTest {
  public:
    explicit WindowUnderTest(Form1Environment environment = {});

    // A file in the temporary folder, scripted with these worksheets.
    std::string workbook(const std::string& fileName, const std::vector<std::string>& sheets);
    std::string workbookWithKinds(const std::string& fileName,
                                  std::vector<excel::ScriptedSheet> sheets);
    std::string missingPath() const;

    // Sets the panel's path box as a user would by typing it in one go.
    void choose(int panel, const std::string& path);
    void click(const char* buttonName);

    Form1& form() { return *form_; }
    QLineEdit& pathBox(int panel);
    QListWidget& list(int panel);
    QStringList entries(int panel);
    int pointer() { return form_->mousePointer().value(); }
    const std::vector<std::string>& calls() const { return factory.log(); }

    bool excelRunning = false;
    excel::RecordingApplicationFactory factory;
    ScriptedPrompts prompts;

  private:
    QTemporaryDir folder_;
    std::unique_ptr<Form1> form_;
};

}  // namespace tarnvale::testing

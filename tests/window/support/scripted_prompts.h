// Prompts with scripted answers: records every box shown, with the number of
// automation calls made before it, so tests can place a prompt among the calls.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/prompts.h"

namespace tarnvale::testing {

struct ShownPrompt {
    std::string kind;    // "messageBox", "inputBox" or "openFile"
    std::string text;    // the prompt, or the dialog's title
    int buttons = 0;     // message boxes only
    std::string detail;  // the input box's default text, or the dialog's filter
    std::size_t callsBefore = 0;
};

class ScriptedPrompts final : public Prompts {
  public:
    // Unscripted answers: OK, Yes, the default text, Cancel.
    std::deque<int> messageAnswers;
    std::deque<std::string> inputAnswers;
    std::deque<std::string> fileAnswers;

    std::vector<ShownPrompt> shown;
    const std::vector<std::string>* callLog = nullptr;
    std::function<void(const ShownPrompt&)> onShow;

    int messageBox(const std::string& prompt, int buttons) override;
    std::string inputBox(const std::string& prompt, const std::string& defaultText) override;
    std::string openFile(const std::string& title, const std::string& filter) override;

    std::vector<std::string> messages() const;  // texts of the message boxes shown

  private:
    void record(ShownPrompt prompt);
};

}  // namespace tarnvale::testing

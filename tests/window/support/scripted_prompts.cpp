#include "support/scripted_prompts.h"

namespace tarnvale::testing {

void ScriptedPrompts::record(ShownPrompt prompt) {
    prompt.callsBefore = callLog ? callLog->size() : 0;
    shown.push_back(prompt);
    if (onShow) onShow(prompt);
}

int ScriptedPrompts::messageBox(const std::string& prompt, int buttons) {
    record({"messageBox", prompt, buttons, {}});
    if (messageAnswers.empty())
        return buttons == excel::kButtonsYesNo ? excel::kAnswerYes : excel::kAnswerOk;
    const int answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

std::string ScriptedPrompts::inputBox(const std::string& prompt, const std::string& defaultText) {
    record({"inputBox", prompt, 0, defaultText});
    if (inputAnswers.empty()) return defaultText;
    std::string answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

std::string ScriptedPrompts::openFile(const std::string& title, const std::string& filter) {
    record({"openFile", title, 0, filter});
    if (fileAnswers.empty()) return {};
    std::string answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::vector<std::string> ScriptedPrompts::messages() const {
    std::vector<std::string> texts;
    for (const ShownPrompt& prompt : shown)
        if (prompt.kind == "messageBox") texts.push_back(prompt.text);
    return texts;
}

}  // namespace tarnvale::testing

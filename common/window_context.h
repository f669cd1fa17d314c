// What a handler reaches of the window and the world: the two panels, the
// window's pointer, the automation boundary, the prompts and the guard.
#pragma once

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "excel/automation.h"
#include "mouse_pointer.h"
#include "panel.h"
#include "prompts.h"

namespace tarnvale {

struct WindowContext {
    std::array<Panel, 2> panels;
    MousePointer* pointer = nullptr;
    excel::ApplicationFactory* factory = nullptr;
    Prompts* prompts = nullptr;
    std::function<bool()> isExcelRunning;

    Panel& panel(int number) { return panels.at(static_cast<std::size_t>(number - 1)); }

    // WarnIfExcelRunning over this window's prompts: true tells the handler to stop.
    bool warnIfExcelRunning();

    // A failed automation call: shows "<what failed>.\r\n\r\n<reason>". The
    // operation's application session then quits it as the handler returns.
    void reportFailedCall(const std::string& whatFailed, const std::exception& reason);
};

// The text of a list entry (UTF-8); "" when position names no entry.
std::string EntryText(const QListWidget& list, int position);

}  // namespace tarnvale

// The modal boxes the handlers show, behind one interface: the window uses real
// dialogs (QtPrompts), tests script the answers.
#pragma once

#include <string>

#include "excel/guard.h"

namespace tarnvale {

class Prompts : public excel::MessageBox {
  public:
    // messageBox(prompt, buttons) from excel::MessageBox: buttons 0 (OK) or 4
    // (Yes/No, Yes the default); answers 1 (OK), 6 (Yes), 7 (No).

    // An input box: the typed text on OK, "" on Cancel.
    virtual std::string inputBox(const std::string& prompt, const std::string& defaultText) = 0;

    // The open-file dialog. filter alternates descriptions and patterns separated
    // by vertical bars ("Excel Workbooks (*.xls)|*.xls|..."). The file name box
    // starts empty and a name of no existing file is accepted. Returns the full
    // path chosen, "" on Cancel.
    virtual std::string openFile(const std::string& title, const std::string& filter) = 0;
};

}  // namespace tarnvale

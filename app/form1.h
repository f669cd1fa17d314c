// The main window: two workbook panels side by side. Loading it runs the
// start-up sequence; closing it ends the program.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "common/mouse_pointer.h"
#include "common/window_context.h"

namespace tarnvale {

class HoverPointer;

// Everything the window reaches outside itself; tests replace any of it.
struct Form1Environment {
    excel::ApplicationFactory* factory = nullptr;         // required
    Prompts* prompts = nullptr;                           // null: real dialogs over the window
    std::function<bool()> isExcelRunning;                 // empty: the process table
    std::function<double()> draw;                         // empty: seeded from the time of day
    std::function<void(const std::string&)> openAddress;  // empty: the desktop's opener
    QString applicationFolder;                            // empty: the executable's folder
};

class Form1 final : public QWidget {
    Q_OBJECT
  public:
    explicit Form1(Form1Environment environment, QWidget* parent = nullptr);
    ~Form1() override;

    MousePointer& mousePointer() { return pointer_; }
    WindowContext& context() { return context_; }

  private:
    void createControls();
    void createPanels();
    void setTabOrderFromLayout();
    void connectHandlers();
    void watchMouseMoves();
    void load();

    Form1Environment environment_;
    std::unique_ptr<Prompts> ownPrompts_;
    MousePointer pointer_;
    WindowContext context_;
    HoverPointer* hover_ = nullptr;
};

}  // namespace tarnvale

#pragma once

#include <QObject>

class QWidget;

namespace tarnvale {

class MousePointer;

// The mouse-move rule of every control: the control's target pointer, unless
// the window shows the hourglass, which only an operation replaces.
int NextPointer(int current, int target);

// Gives each watched control its mouse-move handler: a move over it sets the
// window's pointer to the control's target (99 over the ten graphical buttons,
// 0 over the window, frames, labels, lists and path boxes).
class HoverPointer final : public QObject {
  public:
    explicit HoverPointer(MousePointer& pointer, QObject* parent = nullptr);

    // Watches widget; a move over it goes to no control beneath it.
    void watch(QWidget& widget, int target);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    MousePointer& pointer_;
};

}  // namespace tarnvale

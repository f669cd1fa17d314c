#pragma once

#include <QCursor>
#include <QList>
#include <QPointer>
#include <optional>

class QWidget;

namespace tarnvale {

// The window's MousePointer: one value for the whole window, frames, labels,
// lists and buttons included. 0 shows each part's usual pointer (the text
// cursor in a path box), 11 the busy pointer, 99 the MouseIcon (the hand;
// the arrow when no icon was loaded).
class MousePointer {
  public:
    static constexpr int kDefault = 0;
    static constexpr int kHourglass = 11;
    static constexpr int kHover = 99;

    explicit MousePointer(QWidget& window);

    // Path boxes keep the text cursor under the default pointer.
    void addTextBox(QWidget& textBox);
    void setMouseIcon(std::optional<QCursor> icon) { icon_ = std::move(icon); }
    bool hasMouseIcon() const { return icon_.has_value(); }

    int value() const { return value_; }
    void setValue(int value);

  private:
    QWidget& window_;
    QList<QPointer<QWidget>> textBoxes_;
    std::optional<QCursor> icon_;
    int value_ = kDefault;
};

// Holds the busy pointer while an operation works; back to the default on
// every way out.
class BusyPointer {
  public:
    explicit BusyPointer(MousePointer& pointer) : pointer_(pointer) {
        pointer_.setValue(MousePointer::kHourglass);
    }
    ~BusyPointer() { pointer_.setValue(MousePointer::kDefault); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

  private:
    MousePointer& pointer_;
};

}  // namespace tarnvale

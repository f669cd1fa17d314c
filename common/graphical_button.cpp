#include "graphical_button.h"

namespace tarnvale {

GraphicalButton::GraphicalButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    connect(this, &QPushButton::clicked, this, [this] { setValue(1); });
}

void GraphicalButton::setValue(int value) {
    if (value == value_) return;
    value_ = value;
    setDown(value_ == 1);  // drawn down while the value is 1
    emit Click();
}

bool TakeClick(GraphicalButton& button) {
    if (button.value() != 1) return false;
    button.setValue(0);  // raises Click again; that nested run finds 0
    return true;
}

}  // namespace tarnvale

#include "mouse_pointer.h"

#include <QWidget>

namespace tarnvale {

MousePointer::MousePointer(QWidget& window) : window_(window) {}

void MousePointer::addTextBox(QWidget& textBox) {
    textBoxes_.append(&textBox);
}

void MousePointer::setValue(int value) {
    value_ = value;
    if (value == kDefault) {
        window_.unsetCursor();
        for (const auto& box : textBoxes_)
            if (box) box->setCursor(Qt::IBeamCursor);
        return;
    }
    const QCursor shape = value == kHourglass ? QCursor(Qt::WaitCursor)
                          : icon_             ? *icon_
                                              : QCursor(Qt::ArrowCursor);
    window_.setCursor(shape);
    for (const auto& box : textBoxes_)
        if (box) box->setCursor(shape);
}

}  // namespace tarnvale

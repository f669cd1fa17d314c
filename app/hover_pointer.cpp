#include "hover_pointer.h"

#include <QEvent>
#include <QVariant>
#include <QWidget>

#include "common/mouse_pointer.h"

namespace tarnvale {
namespace {
constexpr const char* kTargetProperty = "tarnvaleHoverTarget";
}

int NextPointer(int current, int target) {
    return current == MousePointer::kHourglass ? current : target;
}

HoverPointer::HoverPointer(MousePointer& pointer, QObject* parent)
    : QObject(parent), pointer_(pointer) {}

void HoverPointer::watch(QWidget& widget, int target) {
    widget.setMouseTracking(true);
    // Each control has its own mouse-move handler: a move over a button must
    // not reach the frame around it.
    widget.setAttribute(Qt::WA_NoMousePropagation);
    widget.setProperty(kTargetProperty, target);
    widget.installEventFilter(this);
}

bool HoverPointer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        const QVariant target = watched->property(kTargetProperty);
        if (target.isValid()) pointer_.setValue(NextPointer(pointer_.value(), target.toInt()));
    }
    return false;
}

}  // namespace tarnvale

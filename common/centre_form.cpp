#include "centre_form.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tarnvale {

QPoint CentredPosition(const QRect& screen, const QSize& outer) {
    const double left = (screen.width() - outer.width()) / 2.0;
    const double top = (screen.height() - outer.height()) / 2.0;
    return {screen.left() + static_cast<int>(left), screen.top() + static_cast<int>(top)};
}

void CentreForm(QWidget& form) {
    const QScreen* screen = form.screen() ? form.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    // Before the window is shown its frame is not known yet; the client size
    // stands in for it then.
    const QSize outer = form.frameGeometry().size().expandedTo(form.size());
    form.move(CentredPosition(screen->geometry(), outer));
}

}  // namespace tarnvale

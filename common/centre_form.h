#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace tarnvale {

// The top-left corner that centres a window of outer size `outer` on `screen`:
// each free length halved in floating point, then put on the pixel grid.
// A screen smaller than the window gives a negative offset, kept as it is.
QPoint CentredPosition(const QRect& screen, const QSize& outer);

// Moves form to the centre of its screen, frame and title bar included.
void CentreForm(QWidget& form);

}  // namespace tarnvale

#pragma once

#include <QString>

class QListWidget;

namespace tarnvale {

// True when at least one entry of list equals name exactly (letter case and
// blanks count). An empty list gives false.
bool ListContains(const QListWidget& list, const QString& name);

}  // namespace tarnvale

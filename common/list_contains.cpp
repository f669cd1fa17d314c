#include "list_contains.h"

#include <QListWidget>

namespace tarnvale {

bool ListContains(const QListWidget& list, const QString& name) {
    for (int i = 0; i < list.count(); ++i) {
        if (list.item(i)->text() == name) return true;
    }
    return false;
}

}  // namespace tarnvale

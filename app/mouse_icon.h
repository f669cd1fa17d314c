#pragma once

#include <QByteArray>
#include <QCursor>
#include <QPoint>
#include <QString>
#include <optional>

namespace tarnvale {

// The hot spot of the first image of a Windows cursor file (.cur), read from
// its directory; nullopt when the bytes are not a cursor file.
std::optional<QPoint> CursorHotSpot(const QByteArray& file);

// Loads a cursor file as the window's MouseIcon, with its hot spot. A missing,
// unreadable or malformed file gives nullopt and no message.
std::optional<QCursor> LoadMouseIcon(const QString& path);

}  // namespace tarnvale

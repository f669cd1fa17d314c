#include "mouse_icon.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

#include "common/file_exists.h"

namespace tarnvale {
namespace {

constexpr qsizetype kDirectorySize = 6;  // ICONDIR: reserved, type, count
constexpr qsizetype kEntrySize = 16;     // ICONDIRENTRY
constexpr quint16 kCursorType = 2;
constexpr qint64 kLargestCursorFile = 1 << 20;

quint16 readU16(const QByteArray& bytes, qsizetype at) {
    return static_cast<quint16>(static_cast<quint8>(bytes[at]) |
                                (static_cast<quint8>(bytes[at + 1]) << 8));
}

}  // namespace

std::optional<QPoint> CursorHotSpot(const QByteArray& file) {
    if (file.size() < kDirectorySize + kEntrySize) return std::nullopt;
    if (readU16(file, 0) != 0 || readU16(file, 2) != kCursorType || readU16(file, 4) == 0)
        return std::nullopt;
    // In a cursor's directory entry the colour planes and bit count hold the hot spot.
    return QPoint(readU16(file, kDirectorySize + 4), readU16(file, kDirectorySize + 6));
}

std::optional<QCursor> LoadMouseIcon(const QString& path) {
    if (!FileExists(path.toStdString())) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestCursorFile) return std::nullopt;
    const QByteArray bytes = file.readAll();
    const auto hotSpot = CursorHotSpot(bytes);
    if (!hotSpot) return std::nullopt;
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "cur");
    const QImage image = reader.read();
    if (image.isNull() || !image.rect().contains(*hotSpot)) return std::nullopt;
    return QCursor(QPixmap::fromImage(image), hotSpot->x(), hotSpot->y());
}

}  // namespace tarnvale

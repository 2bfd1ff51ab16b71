#include "platform/qt/cursor_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>
#include <stdexcept>

namespace orlenda::platform {
namespace {

// The file starts with a 6-byte header (reserved, type, image count) and one
// 16-byte entry per image; a cursor's entry holds its hot spot at bytes 4 to 7.
constexpr qsizetype kHeaderSize = 6;
constexpr qsizetype kEntrySize = 16;
constexpr quint16 kTypeIcon = 1;
constexpr quint16 kTypeCursor = 2;

quint16 Word(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

[[noreturn]] void ThrowNoCursor(const std::string& path, const std::string& why) {
    throw std::runtime_error("Invalid picture: " + path + " is no cursor file (" + why + ").");
}

}  // namespace

QCursor ReadCursorFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("The cursor file " + path +
                                 " cannot be read: " + file.errorString().toStdString());
    }
    QByteArray bytes = file.readAll();
    if (bytes.size() < kHeaderSize + kEntrySize || Word(bytes, 0) != 0 || Word(bytes, 4) == 0) {
        ThrowNoCursor(path, "no cursor header");
    }
    const quint16 type = Word(bytes, 2);
    if (type != kTypeCursor && type != kTypeIcon) ThrowNoCursor(path, "no cursor header");
    const bool isCursor = type == kTypeCursor;

    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, isCursor ? "cur" : "ico");
    const QImage image = reader.read();
    if (image.isNull()) ThrowNoCursor(path, reader.errorString().toStdString());
    if (!isCursor) return QCursor(QPixmap::fromImage(image));
    return QCursor(QPixmap::fromImage(image), Word(bytes, kHeaderSize + 4),
                   Word(bytes, kHeaderSize + 6));
}

}  // namespace orlenda::platform

#include "app/group_box_frame.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>

#include "app/pictures.h"

namespace {

const QString kFusionFrame =
    QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png");

// A number as QPixmap::load writes it into its key: each byte in memory
// order, the low digit of a byte first.
template <typename T>
QString KeyDigits(T value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    QString digits;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    for (std::size_t i = 0; i < sizeof value; ++i) {
        digits += QLatin1Char(kDigits[bytes[i] & 0x0F]);
        digits += QLatin1Char(kDigits[bytes[i] >> 4]);
    }
    return digits;
}

} // namespace

QString PixmapLoadKey(const QString& path) {
    const QFileInfo info(path);
    constexpr unsigned kPixmapType = 0; // a pixmap, not a bitmap
    return QStringLiteral("qt_pixmap") + info.absoluteFilePath() +
           KeyDigits(static_cast<unsigned>(info.lastModified().toSecsSinceEpoch())) +
           KeyDigits(static_cast<quint64>(info.size())) + KeyDigits(kPixmapType);
}

bool PreloadGroupBoxFrame() {
    if (QApplication::style()->name() != QLatin1String("fusion")) {
        return false;
    }
    const QPixmap frame = LoadPng(kFusionFrame);
    return !frame.isNull() && QPixmapCache::insert(PixmapLoadKey(kFusionFrame), frame);
}

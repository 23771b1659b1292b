// SPDX-License-Identifier: GPL-3.0-or-later
#include "stylepixmaps.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>

namespace StylePixmaps {
namespace {

// A number as Qt writes it into its cache keys: each byte in memory order, low digit first.
template <typename T>
QString hexBytes(T value)
{
    static constexpr char digits[] = "0123456789abcdef";
    QString text;
    const auto *byte = reinterpret_cast<const unsigned char *>(&value);
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        text += QLatin1Char(digits[byte[i] & 0xf]);
        text += QLatin1Char(digits[byte[i] >> 4]);
    }
    return text;
}

} // namespace

QString cacheKeyFor(const QString &file)
{
    const QFileInfo info(file);
    constexpr uint PixmapType = 0; // what a pixmap made from a file is
    return QStringLiteral("qt_pixmap") + info.absoluteFilePath()
           + hexBytes(uint(info.lastModified().toSecsSinceEpoch())) + hexBytes(quint64(info.size()))
           + hexBytes(PixmapType);
}

bool preloadPng(const QString &file)
{
    QImageReader reader(file, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    return !image.isNull() && QPixmapCache::insert(cacheKeyFor(file), QPixmap::fromImage(image));
}

void preloadGroupBoxFrame()
{
    if (QApplication::style()->name() == QLatin1String("fusion"))
        preloadPng(
            QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png"));
}

} // namespace StylePixmaps

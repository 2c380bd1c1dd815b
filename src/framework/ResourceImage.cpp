#include "framework/ResourceImage.h"

#include <QGuiApplication>
#include <QImageReader>

namespace orq {

qreal ScreenRatio() {
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

QImage LoadResourceImage(const QString& path) {
    return LoadResourceImage(path, ScreenRatio());
}

namespace {
// The renders are squeezed into a palette where that stays faithful; a painter would expand the
// palette every time it draws one. Done once here, on whatever thread reads the picture.
QImage Drawable(QImage image) {
    if (image.isNull()) return image;
    const QImage::Format drawn =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    return std::move(image).convertToFormat(drawn);
}

// Our pictures are PNG, which Qt reads itself. Told so, a reader goes straight to its own PNG
// reader; left to detect the format, it first loads every image format plugin to ask each
// whether it reads PNG, a couple of milliseconds on the way to the first window.
QImage ReadPng(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}
}  // namespace

QImage LoadResourceImage(const QString& path, qreal screenRatio) {
    if (screenRatio > 1.0) {
        QString sharp = path;
        sharp.insert(sharp.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
        if (QImage image = ReadPng(sharp); !image.isNull()) return Drawable(std::move(image));
    }
    return Drawable(ReadPng(path));
}

}  // namespace orq

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
}  // namespace

QImage LoadResourceImage(const QString& path, qreal screenRatio) {
    if (screenRatio > 1.0) {
        QString sharp = path;
        sharp.insert(sharp.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
        QImageReader reader(sharp, "png");
        if (QImage image = reader.read(); !image.isNull()) return Drawable(std::move(image));
    }
    QImageReader reader(path, "png");
    return Drawable(reader.read());
}

}  // namespace orq

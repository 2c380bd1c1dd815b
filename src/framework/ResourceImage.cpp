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

QImage LoadResourceImage(const QString& path, qreal screenRatio) {
    if (screenRatio > 1.0) {
        QString sharp = path;
        sharp.insert(sharp.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
        QImageReader reader(sharp, "png");
        if (QImage image = reader.read(); !image.isNull()) return image;
    }
    QImageReader reader(path, "png");
    return reader.read();
}

}  // namespace orq

#include "framework/ResourceImage.h"

#include <QGuiApplication>
#include <QImageReader>

namespace orq {

QImage LoadResourceImage(const QString& path) {
    // The highest ratio of any screen: a window may move to it.
    if (qGuiApp && qGuiApp->devicePixelRatio() > 1.0) {
        QString sharp = path;
        sharp.insert(sharp.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
        QImageReader reader(sharp, "png");
        if (QImage image = reader.read(); !image.isNull()) return image;
    }
    QImageReader reader(path, "png");
    return reader.read();
}

}  // namespace orq

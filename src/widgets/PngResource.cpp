#include "widgets/PngResource.h"

#include <QImageReader>

namespace orq {

QString PngResourcePath(int id, const char* type) {
    return QStringLiteral(":/%1/%2.png").arg(QLatin1String(type)).arg(id);
}

std::optional<QImage> LoadPngResource(int id, const char* type) {
    QImageReader reader(PngResourcePath(id, type), "png");
    QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    return image;
}

}  // namespace orq

#include "widgets/PngResource.h"

#include "framework/ResourceImage.h"

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitPicturesOutsideNamespace() {
    Q_INIT_RESOURCE(orq);
}

namespace orq {

void InitPngResources() {
    InitPicturesOutsideNamespace();
}

QString PngResourcePath(int id, const char* type) {
    return QStringLiteral(":/%1/%2.png").arg(QLatin1String(type)).arg(id);
}

std::optional<QImage> LoadPngResource(int id, const char* type) {
    return LoadPngResource(id, type, ScreenRatio());
}

std::optional<QImage> LoadPngResource(int id, const char* type, qreal screenRatio) {
    QImage image = LoadResourceImage(PngResourcePath(id, type), screenRatio);
    if (image.isNull()) return std::nullopt;
    return image;
}

}  // namespace orq

#pragma once
// Pictures among the program's resources: PNG n of type "PNG" is ":/PNG/n.png", bitmaps and
// icons likewise (":/BITMAP/183.png", ":/ICON/157.png").

#include <QImage>
#include <QString>

#include <optional>

namespace orq {

// The pictures are compiled into this static library, where the linker drops them unless
// something refers to them: call this once after the QApplication is made (main and tests).
void InitPngResources();

QString PngResourcePath(int id, const char* type = "PNG");

// The image, or nothing when the resource is missing or does not decode. No colour-management
// correction is applied: the pixels are drawn as stored. On a screen with more than one device
// pixel to a unit it is the @2x render (LoadResourceImage): its size in units is
// deviceIndependentSize().
std::optional<QImage> LoadPngResource(int id, const char* type = "PNG");
// The same for screens of this ratio (ScreenRatio), on any thread.
std::optional<QImage> LoadPngResource(int id, const char* type, qreal screenRatio);

}  // namespace orq

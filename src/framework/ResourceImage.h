#pragma once
// A picture among the program's resources as the screens need it. Every picture is rendered
// twice from its vector source: at the size the windows place it, and as NAME@2x at twice that.
// Where a screen has more than one device pixel to a unit (a 4K laptop, QT_SCALE_FACTOR=2) the
// @2x render is read; Qt takes its device pixel ratio of 2 from the name and paints it at the
// same size in units, sharp, where the other would be scaled up.
//
//     const QImage unit = LoadResourceImage(":/PNG/170.png");   // 150 x 101 units either way
//     painter.drawImage(QPoint(765, 350), unit);
//     unit.deviceIndependentSize();                             // never width() and height()

#include <QImage>
#include <QString>

namespace orq {

// Null when the resource is missing or does not decode.
QImage LoadResourceImage(const QString& path);
// The same for screens of this ratio, on any thread: a window's pictures may decode on another
// core while the window is built.
QImage LoadResourceImage(const QString& path, qreal screenRatio);
// The highest ratio of device pixels to units of any screen (a window may move to it); ask on
// the GUI thread.
qreal ScreenRatio();

}  // namespace orq

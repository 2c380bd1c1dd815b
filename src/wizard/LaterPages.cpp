#include "wizard/LaterPages.h"

#include <QPainter>

#include "protocol/LinkFrame.h"
#include "serial/SerialPort.h"
#include "widgets/PngResource.h"

namespace orq {

CStep9::CStep9(AppServices& services, QWidget* parent)
    : SetupPage(services, kTemplate204, {}, parent) {
    for (std::size_t i = 0; i < std::size(kSwashChoices); ++i)
        swash_[i] = LoadPngResource(kSwashChoices[i].resource);
}

void CStep9::PaintChosenPictures(QPainter& p) {
    const SwashChoice& choice = SwashChoiceFor(s_.block.Mirror.SwashPlateType);
    DrawPicture(p, swash_[static_cast<std::size_t>(&choice - kSwashChoices)], kSwashPlace204.x,
                kSwashPlace204.y);
}

CStep11::CStep11(AppServices& services, QWidget* parent)
    : SetupPage(services, kTemplate215, {}, parent),
      startPosition_(LoadPngResource(kStartPositionPicture215.resource)) {}

void CStep11::PaintChosenPictures(QPainter& p) {
    DrawPicture(p, startPosition_, kStartPositionPicture215.x, kStartPositionPicture215.y);
}

void CStep14::EndDirectionCheck() {
    checkState_ = kCheckIdle;
    s_.link.OptimizationCheck = kOptimizationStop;
    SendOptimizationCheck(s_.link, s_.block, s_.port);
}

}  // namespace orq

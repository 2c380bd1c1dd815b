#include "wizard/SwashTypeView.h"

#include <QLabel>
#include <QPainter>

#include "widgets/PngResource.h"

namespace orq {

SwashTypeView::SwashTypeView(const SettingsMirror& mirror, QLabel* label, PicturePlace place)
    : mirror_(mirror), label_(label), place_(place) {
    for (std::size_t i = 0; i < std::size(kSwashChoices); ++i)
        pictures_[i] = LoadPngResource(kSwashChoices[i].resource);
}

void SwashTypeView::ShowName() const {
    if (label_) label_->setText(QString::fromUtf8(SwashChoiceFor(mirror_.SwashPlateType).label));
}

void SwashTypeView::Paint(QPainter& p) const {
    const SwashChoice& choice = SwashChoiceFor(mirror_.SwashPlateType);
    const std::optional<QImage>& picture =
        pictures_[static_cast<std::size_t>(&choice - kSwashChoices)];
    if (picture) p.drawImage(QPoint(place_.x, place_.y), *picture);
}

}  // namespace orq

#pragma once
// Page 7, "Servo reverse": the direction of the three swashplate servos, one push button each
// whose caption is the channel's direction; a click reverses it and sends it. The picture of the
// chosen swashplate type shows where each channel sits.

#include <array>

#include "wizard/SetupPage.h"
#include "wizard/SwashTypeView.h"

namespace orq {

class CStep8 : public SetupPage {
    Q_OBJECT
public:
    CStep8(AppServices& services, QWidget* parent);

    // The page's copies: 1 normal, -1 reverse (anything else shows as reverse).
    const std::array<int, 3>& Directions() const { return directions_; }

protected:
    void OnInitPage() override;
    void PaintChosenPictures(QPainter& p) override;
    void showEvent(QShowEvent* event) override;

private:
    static std::span<const MessageEntry<CStep8>> GetMessageMap();
    void OnChannel(int buttonId);
    void ShowDirection(std::size_t channel);

    std::array<int, 3> directions_;
    SwashTypeView swash_;
};

}  // namespace orq

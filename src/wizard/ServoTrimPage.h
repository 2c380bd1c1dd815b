#pragma once
// Page 8, "Servo trim": the three swashplate servos trimmed one channel at a time, or the
// swashplate moved as a whole (collective, elevator, aileron) through its mixing. Every press
// sends at once; three level bars show the trims.

#include <array>

#include "protocol/ServoTrim.h"
#include "wizard/SetupPage.h"
#include "wizard/SwashTypeView.h"

namespace orq {

class CLevelBar;

class CStep9 : public SetupPage {
    Q_OBJECT
public:
    CStep9(AppServices& services, QWidget* parent);

    const ServoTrim& Trim() const { return trim_; }

protected:
    void OnInitPage() override;
    void PaintChosenPictures(QPainter& p) override;
    void showEvent(QShowEvent* event) override;

private:
    static std::span<const MessageEntry<CStep9>> GetMessageMap();
    void OnChannel(int buttonId);
    void OnSwash(int buttonId);
    void OnClean();
    // Bars, the trims into SetupBlock and mirror, one parameter write: one step of the unit's
    // history, called after the button pressed.
    void FinishChange(const QString& step);
    std::array<int, 3> Directions() const;

    ServoTrim trim_;
    std::array<CLevelBar*, 3> bars_{};
    SwashTypeView swash_;
};

}  // namespace orq

#pragma once
// Pages 8 to 13: servo trim, swashplate travel, collective pitch, tail setup, gyro directions
// and the pirouette check. They show their templates and pictures; the pirouette page already
// ends a running check when the wizard closes.

#include <array>

#include "wizard/SetupPage.h"

namespace orq {

// Page 8, "Servo trim".
class CStep9 : public SetupPage {
    Q_OBJECT
public:
    CStep9(AppServices& services, QWidget* parent);

protected:
    void PaintChosenPictures(QPainter& p) override;

private:
    std::array<std::optional<QImage>, std::size(kSwashChoices)> swash_;
};

// Page 9, "Swashplate travel".
class CStep10 : public SetupPage {
    Q_OBJECT
public:
    CStep10(AppServices& services, QWidget* parent)
        : SetupPage(services, kTemplate213, kPictures213, parent) {}
};

// Page 10, "Collective pitch".
class CStep11 : public SetupPage {
    Q_OBJECT
public:
    CStep11(AppServices& services, QWidget* parent);

protected:
    void PaintChosenPictures(QPainter& p) override;

private:
    std::optional<QImage> startPosition_;
};

// Page 11, "Tail setup".
class CStep13 : public SetupPage {
    Q_OBJECT
public:
    CStep13(AppServices& services, QWidget* parent)
        : SetupPage(services, kTemplate219, kPictures219, parent) {}
};

// Page 12, "Gyro dir".
class CStep12 : public SetupPage {
    Q_OBJECT
public:
    CStep12(AppServices& services, QWidget* parent)
        : SetupPage(services, kTemplate216, kPictures216, parent) {}
};

// Page 13, "Pirouette optimization".
class CStep14 : public SetupPage {
    Q_OBJECT
public:
    static constexpr int kCheckIdle = 0, kCheckRunning = 102;

    CStep14(AppServices& services, QWidget* parent)
        : SetupPage(services, kTemplate226, kPictures226, parent) {}

    // Tells the unit the check is over, whether or not one runs: the check state and the
    // link's OptimizationCheck become 0 and the check frame goes out. The captions stay.
    void EndDirectionCheck();
    int DirectionCheckState() const { return checkState_; }

private:
    int checkState_ = kCheckIdle;
};

}  // namespace orq

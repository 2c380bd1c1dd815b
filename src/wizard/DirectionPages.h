#pragma once
// Page 12, "Gyro dir": the direction in which the gyro compensates on each axis; and page 13,
// "Pirouette optimization": a check run on the unit to find the sign of its pirouette
// optimization, whose direction can be flipped only while the check runs.

#include <array>

#include "wizard/SetupPage.h"

namespace orq {

class CStep12 : public SetupPage {
    Q_OBJECT
public:
    CStep12(AppServices& services, QWidget* parent);
    // Roll, pitch, yaw: 1 normal, -1 reverse (anything else shows as reverse).
    const std::array<int, 3>& Directions() const { return directions_; }

protected:
    void OnInitPage() override;

private:
    static std::span<const MessageEntry<CStep12>> GetMessageMap();
    void OnAxis(int buttonId);
    void ShowDirection(std::size_t axis);
    std::array<int, 3> directions_;
};

class CStep14 : public SetupPage {
    Q_OBJECT
public:
    static constexpr int kCheckIdle = 0, kCheckRunning = 102;

    CStep14(AppServices& services, QWidget* parent);

    // Tells the unit the check is over, whether or not one runs: the check state and the
    // link's OptimizationCheck become 0 and the check frame goes out. The captions stay.
    void EndDirectionCheck();
    int DirectionCheckState() const { return checkState_; }
    int Direction() const { return direction_; }

protected:
    void OnInitPage() override;

private:
    static std::span<const MessageEntry<CStep14>> GetMessageMap();
    void OnCheck();
    void OnDirection();

    int direction_;
    int checkState_ = kCheckIdle;
};

}  // namespace orq

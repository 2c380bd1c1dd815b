#pragma once
// A skin that records every call in order and does nothing else, so tests can check what the
// windows ask of the skin engine.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

#include "framework/Skin.h"

namespace orq::test {

class RecordingSkin : public Skin {
public:
    enum class Op { Start, Stop, Apply, SetSlider };
    struct Call {
        Op op;
        QString name, type;         // Start
        std::array<int, 6> ints{};  // Start: 3 options; Apply: kind; SetSlider: 6 values
        QPointer<QWidget> window;   // Apply, SetSlider
        int ctrlId = -1;            // the window's control id, if it has one
    };
    void Start(const char* resourceName, const char* resourceType, int option1, int option2,
               int option3) override;
    void Stop() override;
    void Apply(QWidget* window, int kind) override;
    void SetSlider(QWidget* slider, int a, int b, int c, int d, int e, int f) override;

    const QVector<Call>& Calls() const { return calls_; }
    void Clear() { calls_.clear(); }
    // "Start IDR_MYTYPE1 MYTYPE 1 6 0", "Apply 1010 210", "SetSlider 1010 210 5 1 0 0 0", "Stop"
    // (control id, or -1 for a window without one).
    QStringList Log() const;

private:
    QVector<Call> calls_;
};

}  // namespace orq::test

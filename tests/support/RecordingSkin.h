#pragma once
// A skin that records every call in order and does nothing else, so tests can check what the
// windows ask of the skin engine.

#include <QPointer>
#include <QStringList>
#include <QVector>

#include "framework/DialogTemplate.h"
#include "framework/Skin.h"

namespace orq::test {

class RecordingSkin : public Skin {
public:
    void Start(const char* name, const char* type, int option1, int option2, int option3) override {
        Record(QStringLiteral("Start %1 %2 %3 %4 %5")
                   .arg(QString::fromUtf8(name), QString::fromUtf8(type))
                   .arg(option1)
                   .arg(option2)
                   .arg(option3));
    }
    void Stop() override { Record(QStringLiteral("Stop")); }
    void Apply(QWidget* window, int kind) override {
        Record(QStringLiteral("Apply %1 %2").arg(ControlId(window)).arg(kind), window);
    }
    void SetSlider(QWidget* slider, int a, int b, int c, int d, int e, int f) override {
        QString line = QStringLiteral("SetSlider %1").arg(ControlId(slider));
        for (int v : {a, b, c, d, e, f}) line += QStringLiteral(" %1").arg(v);
        Record(line, slider);
    }

    // "Start IDR_MYTYPE1 MYTYPE 1 6 0", "Apply 1010 210", "SetSlider 1010 210 5 1 0 0 0", "Stop"
    // (control id, or -1 for a window without one).
    const QStringList& Log() const { return log_; }
    // The window of each call, in the same order (none for Start and Stop).
    const QVector<QPointer<QWidget>>& Windows() const { return windows_; }
    void Clear() { log_.clear(), windows_.clear(); }

private:
    void Record(const QString& line, QWidget* window = nullptr) {
        log_ << line;
        windows_ << window;
    }
    QStringList log_;
    QVector<QPointer<QWidget>> windows_;
};

}  // namespace orq::test

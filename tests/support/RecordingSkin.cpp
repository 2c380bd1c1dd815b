#include "RecordingSkin.h"

#include "framework/DialogTemplate.h"

namespace orq::test {

void RecordingSkin::Start(const char* resourceName, const char* resourceType, int option1,
                          int option2, int option3) {
    Call c{Op::Start, QString::fromUtf8(resourceName), QString::fromUtf8(resourceType), {}, {}, -1};
    c.ints = {option1, option2, option3, 0, 0, 0};
    calls_ << c;
}

void RecordingSkin::Stop() { calls_ << Call{Op::Stop, {}, {}, {}, {}, -1}; }

void RecordingSkin::Apply(QWidget* window, int kind) {
    Call c{Op::Apply, {}, {}, {}, window, ControlId(window)};
    c.ints[0] = kind;
    calls_ << c;
}

void RecordingSkin::SetSlider(QWidget* slider, int a, int b, int c, int d, int e, int f) {
    calls_ << Call{Op::SetSlider, {}, {}, {a, b, c, d, e, f}, slider, ControlId(slider)};
}

QStringList RecordingSkin::Log() const {
    QStringList out;
    for (const Call& c : calls_) {
        switch (c.op) {
            case Op::Start:
                out << QStringLiteral("Start %1 %2 %3 %4 %5")
                           .arg(c.name, c.type)
                           .arg(c.ints[0])
                           .arg(c.ints[1])
                           .arg(c.ints[2]);
                break;
            case Op::Stop:
                out << QStringLiteral("Stop");
                break;
            case Op::Apply:
                out << QStringLiteral("Apply %1 %2").arg(c.ctrlId).arg(c.ints[0]);
                break;
            case Op::SetSlider: {
                QString s = QStringLiteral("SetSlider %1").arg(c.ctrlId);
                for (int v : c.ints) s += QStringLiteral(" %1").arg(v);
                out << s;
                break;
            }
        }
    }
    return out;
}

}  // namespace orq::test

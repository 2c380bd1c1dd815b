#pragma once
// ORQ_STARTUP_PROBE=1 makes orq report when its main window has first been drawn on screen and
// then close it, so bench/startup can time start-up from outside; on the way it says when each
// step of the start-up ended, to tell where the time goes:
//
//     step_at_us qapplication <microseconds since the epoch>
//     ...
//     shown_at_us <microseconds since the epoch>
//
// Nothing of this runs unless the variable is set.

#include <QObject>

namespace orq {

class StartupProbe : public QObject {
    Q_OBJECT
public:
    static bool Requested();
    // "step_at_us NAME ..." now, when requested.
    static void Step(const char* name);
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool fired_ = false;
};

}  // namespace orq

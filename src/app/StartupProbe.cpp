#include "app/StartupProbe.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace orq {

bool StartupProbe::Requested() {
    const char* v = std::getenv("ORQ_STARTUP_PROBE");
    return v && *v && *v != '0';
}

namespace {
long long NowUs() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<long long>(
        std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}
}  // namespace

void StartupProbe::Step(const char* name) {
    if (!Requested()) return;
    std::printf("step_at_us %s %lld\n", name, NowUs());
}

bool StartupProbe::eventFilter(QObject* watched, QEvent* event) {
    auto* window = qobject_cast<QWidget*>(watched);
    if (fired_ || event->type() != QEvent::Paint || !window || !window->isWindow()) return false;
    fired_ = true;
    // The paint is under way; the pixels reach the screen when it returns and the backing store
    // is flushed, which is before the next turn of the event loop.
    QTimer::singleShot(0, window, [w = QPointer<QWidget>(window)] {
        std::printf("shown_at_us %lld\n", NowUs());
        std::fflush(stdout);
        if (w) w->close();
    });
    return false;
}

}  // namespace orq

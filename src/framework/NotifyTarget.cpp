#include "framework/NotifyTarget.h"

#include <QCoreApplication>

namespace orq {

namespace {
constexpr QEvent::Type kEnvelopeEvent = static_cast<QEvent::Type>(QEvent::User + 0x66B);
}

// What travels through the notifier's own queue: the message and the handle it was posted to.
struct WindowNotifier::Envelope : QEvent {
    Envelope(int h, uint32_t m, int32_t w, intptr_t l)
        : QEvent(kEnvelopeEvent), handle(h), message(m), wParam(w), lParam(l) {}
    int handle;
    uint32_t message;
    int32_t wParam;
    intptr_t lParam;
};

void WindowNotifyTarget::Post(uint32_t message, int32_t portNumber, intptr_t param) {
    notifier_->Post(handle_, message, portNumber, param);
}

WindowNotifier::WindowNotifier(QObject* parent) : QObject(parent) {}

std::shared_ptr<WindowNotifyTarget> WindowNotifier::TargetFor(QObject* window) {
    int handle = 0;
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (it->isNull()) {
            it = windows_.erase(it);
            continue;
        }
        if (it->data() == window) handle = it.key();
        ++it;
    }
    if (handle == 0) {
        handle = nextHandle_++;
        windows_.insert(handle, window);
    }
    return std::make_shared<WindowNotifyTarget>(this, handle);
}

void WindowNotifier::Post(int handle, uint32_t message, int32_t wParam, intptr_t lParam) {
    // All notifications pass through this one object's queue, which keeps them in order. The
    // window is looked up only on the UI thread, where it cannot vanish under our feet.
    QCoreApplication::postEvent(this, new Envelope(handle, message, wParam, lParam));
}

void WindowNotifier::customEvent(QEvent* event) {
    if (event->type() != kEnvelopeEvent) return;
    const auto* e = static_cast<const Envelope*>(event);
    const auto it = windows_.constFind(e->handle);
    if (it == windows_.constEnd() || it->isNull()) return;
    WindowMessageEvent message(e->message, e->wParam, e->lParam);
    QCoreApplication::sendEvent(it->data(), &message);
}

}  // namespace orq

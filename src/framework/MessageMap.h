#pragma once
// Message maps: one table per window that ties control ids, menu command ids and window
// messages to the window's handler methods. Every window is wired this way, the main form, the
// dialogs and each wizard page alike.
//
//     std::span<const orq::MessageEntry<CUARTView>> CUARTView::GetMessageMap() {
//         using V = CUARTView;
//         static constexpr orq::MessageEntry<V> kMap[] = {
//             orq::OnCommand(1000, &V::ConnectScan),          // button click
//             orq::OnMenu(57601, &V::OnFileOpen),             // menu/accelerator command
//             orq::OnVScroll(1010, &V::OnSliderScroll),       // handler(int id)
//             orq::OnReleasedCapture(1010, &V::OnSliderRelease),
//             orq::OnEditReturn(1014, &V::CommitEdit),
//             orq::OnSelChange(1201, &V::OnPick),             // another row of a list view
//             orq::OnMessage(orq::WM_SERIAL_RECEIVE, &V::OnSerialReceive),
//         };
//         return kMap;
//     }
//
// Declaring GetMessageMap as a static member function keeps the private handlers private. In
// the constructor, after BuildDialog:  orq::WireMessageMap(this, controls_, GetMessageMap());
// A handler a page inherits is named with the page as the map's class: OnCommand<CStep4>(...).
// Menu commands reach the window through DispatchCommand (the frame routes them to the form
// first), window messages through DispatchMessageEvent (from the window's customEvent).

#include <QAbstractButton>
#include <QLineEdit>
#include <QTreeWidget>

#include <cstdint>
#include <span>
#include <vector>

#include "framework/DialogTemplate.h"
#include "framework/NotifyTarget.h"
#include "framework/ReturnCommits.h"

namespace orq {

enum class Notify {
    Command,          // a button clicked (also reached by DispatchCommand)
    MenuCommand,      // a menu or accelerator command: no control, only DispatchCommand
    VScroll,          // a slider scrolled by the user, or let go of the mouse; value already set
    ReleasedCapture,  // a slider let go of the mouse
    EditReturn,       // Return in an edit box, on every key message that carries it
    SelChange,        // another row of a list view selected (or none)
    Message,          // a window message (WindowMessageEvent), id = message number
};

template <class T>
struct MessageEntry {
    Notify code;
    int id;
    void (T::*plain)() = nullptr;
    void (T::*withId)(int) = nullptr;
    void (T::*message)(int32_t wParam, intptr_t lParam) = nullptr;

    void Call(T* self, int controlId) const {
        if (plain)
            (self->*plain)();
        else if (withId)
            (self->*withId)(controlId);
    }
    // Whether the entry names a control of the window's template.
    constexpr bool BindsControl() const {
        return code != Notify::MenuCommand && code != Notify::Message;
    }
};

template <class T>
constexpr MessageEntry<T> OnCommand(int id, void (T::*h)()) {
    return {Notify::Command, id, h, nullptr, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnCommand(int id, void (T::*h)(int)) {
    return {Notify::Command, id, nullptr, h, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnMenu(int id, void (T::*h)()) {
    return {Notify::MenuCommand, id, h, nullptr, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnMenu(int id, void (T::*h)(int)) {
    return {Notify::MenuCommand, id, nullptr, h, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnVScroll(int id, void (T::*h)(int)) {
    return {Notify::VScroll, id, nullptr, h, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnReleasedCapture(int id, void (T::*h)(int)) {
    return {Notify::ReleasedCapture, id, nullptr, h, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnEditReturn(int id, void (T::*h)(int)) {
    return {Notify::EditReturn, id, nullptr, h, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnSelChange(int id, void (T::*h)()) {
    return {Notify::SelChange, id, h, nullptr, nullptr};
}
template <class T>
constexpr MessageEntry<T> OnMessage(uint32_t message, void (T::*h)(int32_t, intptr_t)) {
    return {Notify::Message, static_cast<int>(message), nullptr, nullptr, h};
}

// Connects every control entry of `map` to the control with its id in `controls`. Returns the
// ids of the entries that found no control of their kind: none in a consistent window.
template <class T>
std::vector<int> ConnectMessageMap(T* self, const DialogControls& controls,
                                   std::span<const MessageEntry<T>> map) {
    std::vector<int> unwired;
    for (const MessageEntry<T>& e : map) {
        if (!e.BindsControl()) continue;
        QWidget* w = controls.Control(e.id);
        const int id = e.id;
        const auto call = [self, e, id] { e.Call(self, id); };
        bool wired = false;
        switch (e.code) {
            case Notify::Command:
                if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                    QObject::connect(b, &QAbstractButton::clicked, self, call);
                    wired = true;
                }
                break;
            case Notify::VScroll:
                if (auto* s = qobject_cast<SliderControl*>(w)) {
                    QObject::connect(s, &SliderControl::scrolled, self, call);
                    wired = true;
                }
                break;
            case Notify::ReleasedCapture:
                if (auto* s = qobject_cast<SliderControl*>(w)) {
                    QObject::connect(s, &SliderControl::releasedCapture, self, call);
                    wired = true;
                }
                break;
            case Notify::EditReturn:
                if (auto* ed = qobject_cast<QLineEdit*>(w)) {
                    (new ReturnCommits([call](int) { call(); }, ed))->Watch(ed);
                    wired = true;
                }
                break;
            case Notify::SelChange:
                if (auto* list = qobject_cast<QTreeWidget*>(w)) {
                    QObject::connect(list, &QTreeWidget::itemSelectionChanged, self, call);
                    wired = true;
                }
                break;
            case Notify::MenuCommand:
            case Notify::Message:
                break;
        }
        if (!wired) unwired.push_back(id);
    }
    return unwired;
}

// A map entry that named no control: a handler that would never run, found the first time its
// window is built. A debug build stops there and then, naming the window and the ids; a release
// build says so on the log and goes on.
void ReportUnwired(const QObject* window, const std::vector<int>& ids);

// What every window calls once its controls are built.
template <class T>
void WireMessageMap(T* self, const DialogControls& controls, std::span<const MessageEntry<T>> map) {
    const std::vector<int> unwired = ConnectMessageMap(self, controls, map);
    if (!unwired.empty()) ReportUnwired(self, unwired);
}

// Runs the Command or MenuCommand entry for `id`; false when the map has none, so the caller
// can route the command further.
template <class T>
bool DispatchCommand(T* self, std::span<const MessageEntry<T>> map, int id) {
    for (const MessageEntry<T>& e : map) {
        if ((e.code == Notify::Command || e.code == Notify::MenuCommand) && e.id == id) {
            e.Call(self, id);
            return true;
        }
    }
    return false;
}

// Runs the Message entry for a WindowMessageEvent; false when `event` is none or unmapped.
template <class T>
bool DispatchMessageEvent(T* self, std::span<const MessageEntry<T>> map, QEvent* event) {
    if (event->type() != kWindowMessageEvent) return false;
    const auto* m = static_cast<const WindowMessageEvent*>(event);
    for (const MessageEntry<T>& e : map) {
        if (e.code == Notify::Message && e.id == static_cast<int>(m->message) && e.message) {
            (self->*e.message)(m->wParam, m->lParam);
            return true;
        }
    }
    return false;
}

}  // namespace orq

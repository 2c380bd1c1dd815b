#include "framework/ReturnCommits.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

#include "framework/DialogTemplate.h"

namespace orq {

ReturnCommits::ReturnCommits(Commit commit, QObject* parent)
    : QObject(parent), commit_(std::move(commit)) {}

void ReturnCommits::Watch(QLineEdit* edit) {
    if (edit) edit->installEventFilter(this);
}

bool ReturnCommits::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool isReturn = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!isReturn || (type == QEvent::KeyRelease && key->isAutoRepeat())) return false;
    // Key events reach the box that has the focus, so this is the focused box. Committing may
    // show a message box, during which the window (and this filter with it) can go away.
    const QPointer<QObject> alive(this), box(watched);
    commit_(ControlId(qobject_cast<QWidget*>(watched)));
    return !alive || !box;  // nothing left to deliver the key to
}

}  // namespace orq

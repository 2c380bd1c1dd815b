#include "framework/Accessible.h"

namespace orq {

void* ValueAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString ValueAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) return currentValue().toString();
    return QAccessibleWidget::text(t);
}

}  // namespace orq

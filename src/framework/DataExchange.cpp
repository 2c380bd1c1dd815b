#include "framework/DataExchange.h"

#include <QLineEdit>

#include <limits>

namespace orq {

std::optional<int> ParseInt(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    if (i == t.size()) return std::nullopt;
    long long v = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        v = v * 10 + (c.unicode() - u'0');
        if (v > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return std::nullopt;
    }
    if (negative) v = -v;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(v);
}

DataExchange::DataExchange(const DialogControls& controls, MessageBoxService& messages)
    : controls_(controls), messages_(messages) {}

void DataExchange::Bind(int editId, int& value) {
    bindings_.append({editId, controls_.Edit(editId), &value, false, 0, 0});
}

void DataExchange::Bind(int editId, int& value, int min, int max) {
    bindings_.append({editId, controls_.Edit(editId), &value, true, min, max});
}

void DataExchange::WriteOut() {
    for (const Binding& b : bindings_)
        if (b.edit) b.edit->setText(QString::number(*b.value));
}

bool DataExchange::ReadBack() {
    failedId_ = kNoId;
    for (const Binding& b : bindings_) {
        if (!b.edit) continue;
        const std::optional<int> v = ParseInt(b.edit->text());
        if (!v) return Fail(b, QStringLiteral("Please enter an integer."));
        *b.value = *v;
        if (b.ranged && (*v < b.min || *v > b.max))
            return Fail(
                b,
                QStringLiteral("Please enter an integer between %1 and %2.").arg(b.min).arg(b.max));
    }
    return true;
}

bool DataExchange::Fail(const Binding& b, const QString& message) {
    failedId_ = b.id;
    messages_.Show(b.edit->window(), message);
    // The box may have gone while the message was up.
    if (b.edit) {
        b.edit->setFocus(Qt::OtherFocusReason);
        b.edit->selectAll();
    }
    return false;
}

}  // namespace orq

#include "framework/MessageMap.h"

#include <QStringList>

namespace orq {

void ReportUnwired(const QObject* window, const std::vector<int>& ids) {
    QStringList list;
    for (int id : ids) list << QString::number(id);
    const QString what = QStringLiteral("%1: message map entries name no control of their kind: %2")
                             .arg(QString::fromLatin1(window->metaObject()->className()),
                                  list.join(QStringLiteral(", ")));
#ifdef NDEBUG
    qWarning("%s", qPrintable(what));
#else
    qFatal("%s", qPrintable(what));
#endif
}

}  // namespace orq

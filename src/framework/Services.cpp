#include "framework/Services.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

namespace orq {

QStringList QtFiltersFromSystemFilter(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        if (description.isEmpty()) break;  // the closing "||"
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt takes the patterns from the trailing parentheses; descriptions that already show
        // them keep their wording.
        if (description.endsWith(QLatin1Char(')')) &&
            description.contains(QStringLiteral("(") + patterns + QStringLiteral(")")))
            out << description;
        else
            out << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return out;
}

void QtMessageBox::Show(QWidget* parent, const QString& text) {
    // Heap-allocated and guarded: if the parent goes away while the box is up, the box goes
    // with it and we must not delete it a second time.
    QPointer<QMessageBox> box = new QMessageBox(
        QMessageBox::NoIcon, QString::fromUtf8(kMessageBoxCaption), text, QMessageBox::Ok, parent);
    box->exec();
    delete box.data();
}

bool QtMessageBox::Ask(QWidget* parent, const QString& text) {
    QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::Question, QString::fromUtf8(kMessageBoxCaption), text,
                        QMessageBox::Yes | QMessageBox::No, parent);
    box->setDefaultButton(QMessageBox::No);
    const int answer = box->exec();
    delete box.data();
    return answer == QMessageBox::Yes;
}

FileDialogResult QtFileDialog::Run(QWidget* parent, const FileDialogRequest& request) {
    QPointer<QFileDialog> dialog = new QFileDialog(parent, request.title);
    const bool save = request.mode == FileDialogMode::Save;
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // "File must exist" restricts a save dialog too: the caller asked for it.
    dialog->setFileMode((request.options & kFileMustExist) ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
    QFileDialog::Options options;
    // kHideReadOnly needs nothing: Qt's dialog has no read-only check box to hide.
    if (save && !(request.options & kOverwritePrompt)) options |= QFileDialog::DontConfirmOverwrite;
    dialog->setOptions(options);
    const QStringList filters = QtFiltersFromSystemFilter(request.filter);
    if (!filters.isEmpty()) dialog->setNameFilters(filters);
    if (!request.defaultSuffix.isEmpty()) dialog->setDefaultSuffix(request.defaultSuffix);
    if (!request.initialName.isEmpty()) dialog->selectFile(request.initialName);

    const int code = dialog->exec();
    FileDialogResult result;
    if (!dialog) return result;  // the parent went away: treat it as Cancel
    if (code == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        result.outcome = FileDialogOutcome::Ok;
        result.path = dialog->selectedFiles().first();
    }
    delete dialog.data();
    return result;
}

int QtModalRunner::RunModal(QDialog& dialog) {
    return dialog.exec();
}

}  // namespace orq

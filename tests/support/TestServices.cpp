#include "TestServices.h"

namespace orq::test {

void RecordingMessageBox::Show(QWidget*, const QString& text) {
    texts_ << text;
    if (onShow) onShow(text);
}

FileDialogResult ScriptedFileDialog::Run(QWidget*, const FileDialogRequest& request) {
    requests_ << request;
    if (answers_.empty()) return {};
    FileDialogResult r = answers_.front();
    answers_.pop_front();
    return r;
}

int ScriptedModalRunner::RunModal(QDialog& dialog) {
    ++runs_;
    dialog.show();
    int code = QDialog::Rejected;
    if (onRun) code = onRun(dialog);
    dialog.hide();
    return code;
}

}  // namespace orq::test

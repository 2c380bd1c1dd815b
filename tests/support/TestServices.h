#pragma once
// Stand-ins for the modal services, for tests: they record what the program asked and answer
// from a script, so that no test ever blocks on a modal window.

#include <QDialog>
#include <QPointer>
#include <QVector>

#include <deque>
#include <functional>

#include "framework/Services.h"

namespace orq::test {

class RecordingMessageBox : public MessageBoxService {
public:
    void Show(QWidget*, const QString& text) override {
        texts_ << text;
        if (onShow) onShow(text);
    }
    // Questions are recorded with the texts and answered `answer`.
    bool Ask(QWidget* parent, const QString& text) override {
        Show(parent, text);
        return answer;
    }
    bool answer = true;
    const QStringList& Texts() const { return texts_; }
    QString Last() const { return texts_.isEmpty() ? QString() : texts_.last(); }
    void Clear() { texts_.clear(); }
    // Runs while the "box" is up, before Show returns (to check what holds at that moment).
    std::function<void(const QString&)> onShow;

private:
    QStringList texts_;
};

class ScriptedFileDialog : public FileDialogService {
public:
    FileDialogResult Run(QWidget*, const FileDialogRequest& request) override {
        requests_ << request;
        if (answers_.empty()) return {};
        const FileDialogResult r = answers_.front();
        answers_.pop_front();
        return r;
    }
    // Answers are used in order; with none left the dialog answers Cancel.
    void Answer(FileDialogOutcome outcome, const QString& path = {}) {
        answers_.push_back({outcome, path});
    }
    const QVector<FileDialogRequest>& Requests() const { return requests_; }

private:
    std::deque<FileDialogResult> answers_;
    QVector<FileDialogRequest> requests_;
};

// Calls `onRun` with the dialog instead of running it (the dialog is shown first, so its
// controls are laid out and visible as during a real modal run) and hidden afterwards; returns
// what onRun returns, Rejected when there is no onRun.
class ScriptedModalRunner : public ModalRunner {
public:
    int RunModal(QDialog& dialog) override {
        ++runs_;
        dialog.show();
        const int code = onRun ? onRun(dialog) : int(QDialog::Rejected);
        dialog.hide();
        return code;
    }
    std::function<int(QDialog&)> onRun;
    int Runs() const { return runs_; }

private:
    int runs_ = 0;
};

}  // namespace orq::test

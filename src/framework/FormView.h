#pragma once
// The contract between the main frame and the form it shows (the main form): what the frame
// calls on the form, and what the form may do to the frame.

#include <QString>
#include <QWidget>

namespace orq {

// The frame's status bar, as the form sees it.
class FrameStatus {
public:
    virtual ~FrameStatus() = default;
    virtual void SetStatusText(const QString& text) = 0;  // pane 0 ("Connected!", "Not Connect!")
    virtual void SetProgressPos(int position) = 0;        // 0..100
    // What pane 0's text stands for in detail (the ports the last scan tried).
    virtual void SetStatusToolTip(const QString& text) = 0;
    // A passing notice over the status bar for a few seconds; pane 0 comes back afterwards.
    virtual void ShowNotice(const QString& text) = 0;
};

// What a command's menu item shows now: whether it can run, its text when the form names it
// ("Undo PitchGain 40 → 55"), and why it cannot run, for the status bar.
struct CommandUI {
    bool enabled = true;
    QString text;
    QString reason;
};

// A form that fills the main frame.
class FormView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Runs once after the frame is created, and again for the new-document command (Ctrl+N).
    virtual void OnInitialUpdate() {}
    // Menu and accelerator commands reach the form before anyone else; true = handled.
    virtual bool OnCmdMsg(int /*commandId*/) { return false; }
    // The state of a command's menu item; left alone for a command the form does not know.
    virtual void OnUpdateCommand(int /*commandId*/, CommandUI& /*ui*/) {}
    // The frame is closing (before it goes away): the form lets go of what it holds open.
    virtual void OnClose() {}

signals:
    // What OnUpdateCommand would say may have changed: the frame asks again.
    void commandStatesChanged();
};

}  // namespace orq

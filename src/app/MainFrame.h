#pragma once
// The main window: fixed size and place, title "ORQ 2.1", the File, Edit and Help menus with
// their accelerators, and a status bar with the connection text and a progress bar.

#include <QMainWindow>
#include <QPointer>

#include "framework/Commands.h"
#include "framework/FormView.h"

class QAction;
class QLabel;
class QProgressBar;

namespace orq {

class Skin;

inline constexpr int kStatusBarId = 101;
inline constexpr int kProgressBarId = 123;
inline constexpr int kIndicatorProgress = 61205;

// Where commands the form leaves alone end up (the application).
class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    virtual bool OnCmdMsg(int commandId) = 0;
};

class CMainFrame : public QMainWindow, public FrameStatus {
    Q_OBJECT
public:
    CMainFrame(Skin& skin, CommandTarget* app = nullptr);

    // The form becomes the central widget (the frame owns it from now on).
    void SetForm(FormView* form);
    FormView* Form() const { return form_; }

    // Routes a command: the form first, then the application.
    bool RouteCommand(int commandId);

    void SetStatusText(const QString& text) override;
    void SetProgressPos(int position) override;
    void SetStatusToolTip(const QString& text) override;
    void ShowNotice(const QString& text) override;
    QString StatusText() const;
    QProgressBar* ProgressBar() const { return progress_; }
    QLabel* ProgressPane() const { return pane1_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void PlaceProgressBar();
    // Undo and Redo as the form names them now, enabled or not.
    void UpdateEditItems();
    // Ctrl+Z and the other editing keys where no edit box has the focus (a box takes them for
    // its own text first): the menu's commands, or why those cannot run.
    void OnEditKey(int commandId);
    CommandUI QueryCommand(int commandId) const;

    Skin& skin_;
    CommandTarget* app_;
    QPointer<FormView> form_;
    QLabel* pane0_ = nullptr;
    QLabel* pane1_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    bool reasonShown_ = false;
    bool placeRequested_ = false;
    bool iconRequested_ = false;
    int pendingProgress_ = 0;
};

}  // namespace orq

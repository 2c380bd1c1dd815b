#pragma once
// The Setup wizard: one modal dialog with a tab strip naming the thirteen steps, one page per
// step inside it, and "Cancel", "Prev", "Next" and "Finish". The user moves one page at a time;
// the tab strip only shows where the user is. Each page sends its own changes as they are
// made; the dialog itself sends only three things: the unit's monitor stream on when the
// Monitor page is entered and off when it is left, and on Finish or Cancel the end of any
// pirouette check and the stream off again. Nothing sent is ever undone.
//
//     orq::CSetupDlg wizard(services, window());
//     services.modal.RunModal(wizard);
//     session.SetNotifyTarget(myTarget);   // the wizard leaves it with the last page shown

#include <QDialog>
#include <QTabWidget>

#include <vector>

#include "framework/AppServices.h"
#include "framework/DialogTemplate.h"
#include "framework/MessageMap.h"

namespace orq {

class SetupPage;
class CStep14;

// The wizard's tab strip: a mouse click (or the wheel) on a title changes nothing, and the
// keyboard never reaches it. The scroll arrows, when the titles do not fit, still scroll.
class CSetupTabCtrl : public QTabWidget {
    Q_OBJECT
public:
    explicit CSetupTabCtrl(QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class CSetupDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 171;
    static constexpr int kMonitorPage = 3;
    enum class NavPosition { First, Middle, Last };

    explicit CSetupDlg(AppServices& services, QWidget* parent = nullptr);
    ~CSetupDlg() override;

    // Places a page in the page area and appends it; its number is the new page count.
    void AddPage(SetupPage* page);
    // Shows page n (clamped to 1..count), hides the others, hands it the port's notifications,
    // switches the monitor stream on for page 3 and off for pages 2 and 4.
    void ShowPage(int n);
    void UpdateNavButtons(NavPosition position);

    int PageCount() const { return static_cast<int>(pages_.size()); }
    int CurrentPage() const { return current_; }
    SetupPage* Page(int n) const;  // 1-based; nullptr outside
    QRect PageArea() const { return pageArea_; }
    const DialogControls& Controls() const { return controls_; }

    void reject() override;  // Cancel, Escape and the close box

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static std::span<const MessageEntry<CSetupDlg>> GetMessageMap();
    void OnInitDialog();
    void OnPrev();
    void OnNext();
    void OnFinish();
    void OnCancel();
    // The closing steps that Finish and Cancel share.
    void EndSession();
    void Step(int delta);

    AppServices& s_;
    DialogControls controls_;
    CSetupTabCtrl* tabs_ = nullptr;
    QRect pageArea_;  // in the tab strip's client pixels
    int current_ = 0;
    std::vector<SetupPage*> pages_;  // owned as children of the dialog
    CStep14* pirouette_ = nullptr;
    bool initialised_ = false;
};

// Runs the wizard modally over `parent`: what the composition root hands the main form's "Setup"
// button. The caller takes the port's notifications back afterwards.
void RunSetup(AppServices& services, QWidget* parent);

}  // namespace orq

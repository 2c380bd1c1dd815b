#include "wizard/SetupDlg.h"

#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>

#include "framework/Services.h"
#include "framework/Skin.h"
#include "link/UnitSession.h"
#include "wizard/ChoicePages.h"
#include "wizard/DirectionPages.h"
#include "wizard/GuidePages.h"
#include "wizard/MonitorPage.h"
#include "wizard/ServoReversePage.h"
#include "wizard/ServoTrimPage.h"
#include "wizard/SliderPages.h"

namespace orq {

namespace {

// Where a page sits inside the page area: the page area was measured in the tab strip's client
// pixels but is applied in the dialog's, and these offsets bring the page inside the strip's
// frame.
constexpr int kPageOffset = 18;
constexpr int kPageWidthTrim = 17, kPageHeightTrim = 16;

}  // namespace

CSetupTabCtrl::CSetupTabCtrl(QWidget* parent) : QTabWidget(parent) {
    tabBar()->installEventFilter(this);
    tabBar()->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::NoFocus);
    tabBar()->setUsesScrollButtons(true);
    tabBar()->setElideMode(Qt::ElideNone);
    tabBar()->setExpanding(false);
}

bool CSetupTabCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tabBar()) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseButtonRelease:
            case QEvent::Wheel:
                return true;  // the titles only show where the user is
            default:
                break;
        }
    }
    return QTabWidget::eventFilter(watched, event);
}

std::span<const MessageEntry<CSetupDlg>> CSetupDlg::GetMessageMap() {
    using D = CSetupDlg;
    static constexpr MessageEntry<D> kMap[] = {
        OnCommand(IDC_SETUP_PREV, &D::OnPrev), OnCommand(IDC_SETUP_NEXT, &D::OnNext),
        OnCommand(IDC_SETUP_FINISH, &D::OnFinish), OnCommand(IDC_SETUP_CANCEL, &D::OnCancel),
        // IDOK (1) is never visible and does nothing: Enter must not close the wizard.
    };
    return kMap;
}

CSetupDlg::CSetupDlg(AppServices& services, QWidget* parent) : QDialog(parent), s_(services) {
    ControlFactories factories;
    factories.byKind[ControlKind::TabControl] = [this](const ControlSpec&, QWidget* p) {
        tabs_ = new CSetupTabCtrl(p);
        return tabs_;
    };
    controls_ = BuildDialog(kTemplate171, this, factories);
    setFixedSize(controls_.Size());
    // "Finish" is no tab stop: Tab moves between Cancel, Prev and Next and the page. The keyboard
    // reaches it all the same.
    if (QPushButton* finish = controls_.Button(IDC_SETUP_FINISH))
        finish->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F));
    WireMessageMap(this, controls_, GetMessageMap());
}

CSetupDlg::~CSetupDlg() = default;

void CSetupDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
}

void CSetupDlg::OnInitDialog() {
    s_.skin.Apply(this, kSkinDialog);
    if (tabs_) s_.skin.Apply(tabs_, kSkinTab);

    // The tab items come first here so that the row of titles has its height; they are empty
    // placeholders, the pages are the dialog's own children laid over the strip.
    if (tabs_) {
        const QSignalBlocker quiet(tabs_);
        for (const PageInfo& info : kSetupPages)
            tabs_->addTab(new QWidget, QString::fromUtf8(info.tabTitle));
        const int row = tabs_->tabBar()->sizeHint().height();
        // One pixel below the row of titles, one pixel inside the right and bottom edges.
        pageArea_ = QRect(QPoint(0, row + 1), QPoint(tabs_->width() - 2, tabs_->height() - 2));
    }

    pirouette_ = new CStep14(s_, this);
    const std::vector<SetupPage*> pages = {new CStep1(s_, this),
                                           new CStep2(s_, this),
                                           new CStep3(s_, this),
                                           new CStep4(s_, this),
                                           new CStep6(s_, this),
                                           new CStep7(s_, this),
                                           new CStep8(s_, this),
                                           new CStep9(s_, this),
                                           new CStep10(s_, this),
                                           new CStep11(s_, this),
                                           new CStep13(s_, this),
                                           new CStep12(s_, this),
                                           pirouette_};
    for (SetupPage* page : pages) AddPage(page);
    ShowPage(1);
    if (tabs_) tabs_->setCurrentIndex(0);
}

void CSetupDlg::AddPage(SetupPage* page) {
    // QRect's right() and bottom() are the last pixel inside: the system's exclusive edges are
    // one more.
    const int left = pageArea_.left(), top = pageArea_.top();
    const int right = pageArea_.right() + 1, bottom = pageArea_.bottom() + 1;
    page->setGeometry(left + kPageOffset, top + kPageOffset, right - left - kPageWidthTrim,
                      bottom - top - kPageHeightTrim);
    page->hide();
    page->raise();
    page->InitDialog();
    pages_.push_back(page);
}

SetupPage* CSetupDlg::Page(int n) const {
    return n >= 1 && n <= PageCount() ? pages_[static_cast<std::size_t>(n - 1)] : nullptr;
}

void CSetupDlg::ShowPage(int n) {
    for (int i = 1; i <= PageCount(); ++i) {
        SetupPage* page = Page(i);
        if (i != n) {
            page->hide();
            continue;
        }
        page->show();
        s_.session.SetNotifyTarget(page->NotifyTarget());
        if (n == kMonitorPage) {
            static_cast<void>(s_.session.StartMonitor());
        } else if (n == kMonitorPage - 1 || n == kMonitorPage + 1) {
            // Either neighbour is where leaving the Monitor page arrives: the stream stops.
            static_cast<void>(s_.session.StopMonitor());
        }
    }
    NavPosition position = NavPosition::Middle;
    if (n >= PageCount()) {
        current_ = PageCount();
        position = NavPosition::Last;
    } else if (n <= 1) {
        current_ = 1;
        position = NavPosition::First;
    }
    UpdateNavButtons(position);
}

void CSetupDlg::UpdateNavButtons(NavPosition position) {
    for (int id : {IDC_SETUP_CANCEL, IDC_SETUP_PREV, IDC_SETUP_NEXT, IDC_SETUP_FINISH})
        if (QWidget* b = controls_.Control(id)) b->setEnabled(true);
    if (position == NavPosition::First) controls_.Control(IDC_SETUP_PREV)->setEnabled(false);
    if (position == NavPosition::Last) controls_.Control(IDC_SETUP_NEXT)->setEnabled(false);
}

void CSetupDlg::Step(int delta) {
    current_ += delta;
    ShowPage(current_);
    if (tabs_ && current_ >= 1) tabs_->setCurrentIndex(current_ - 1);
}

void CSetupDlg::OnPrev() {
    Step(-1);
}
void CSetupDlg::OnNext() {
    Step(+1);
}

void CSetupDlg::EndSession() {
    if (pirouette_) pirouette_->EndDirectionCheck();
    static_cast<void>(s_.session.StopMonitor());
}

void CSetupDlg::OnFinish() {
    const QPointer<CSetupDlg> alive(this);
    s_.messages.Show(this, QStringLiteral("Setup finished!"));
    if (!alive) return;
    EndSession();
    accept();
}

void CSetupDlg::OnCancel() {
    reject();
}

void CSetupDlg::reject() {
    EndSession();
    QDialog::reject();
}

void CSetupDlg::keyPressEvent(QKeyEvent* event) {
    // Enter goes to the invisible OK, which does nothing; it never closes the wizard.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);  // Escape: reject, the closing steps of Cancel
}

void RunSetup(AppServices& services, QWidget* parent) {
    CSetupDlg wizard(services, parent);
    services.modal.RunModal(wizard);
}

}  // namespace orq

#include "app/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

#include <utility>

#include "framework/Skin.h"

namespace orq {

namespace {
constexpr int kFrameX = 150, kFrameY = 50, kFrameWidth = 1000, kFrameHeight = 700;
constexpr int kProgressExtension = 300;
constexpr int kAppIcon = 157;
}  // namespace

CMainFrame::CMainFrame(Skin& skin, CommandTarget* app) : skin_(skin), app_(app) {
    // No resizing and no maximize box: the form and its pictures are laid out for this size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("ORQ 2.1"));
    setFixedSize(kFrameWidth, kFrameHeight);
    move(kFrameX, kFrameY);

    BuildMenus();

    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("ctrl%1").arg(kStatusBarId));
    bar->setProperty("ctrlId", kStatusBarId);
    bar->setSizeGripEnabled(false);
    pane0_ = new QLabel(bar);
    pane0_->setObjectName(QStringLiteral("statusPane0"));
    bar->addWidget(pane0_, 1);
    // The indicator pane: the word for "progress", sized to its text; the progress bar covers it.
    pane1_ = new QLabel(QStringLiteral("\u8fdb\u5ea6"), bar);
    pane1_->setObjectName(QStringLiteral("statusPane1"));
    pane1_->setProperty("ctrlId", kIndicatorProgress);
    bar->addPermanentWidget(pane1_);
    SetStatusText(QStringLiteral("Not Connect!"));
}

void CMainFrame::BuildMenus() {
    auto add = [this](QMenu* menu, const char* text, int id, QKeySequence key = {}) {
        QAction* a = menu->addAction(QString::fromUtf8(text));
        a->setData(id);
        a->setObjectName(QStringLiteral("cmd%1").arg(id));
        if (!key.isEmpty()) a->setShortcut(key);
        connect(a, &QAction::triggered, this, [this, id] { RouteCommand(id); });
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("File(&F)"));
    add(file, "Open conifg file", ID_FILE_OPEN, QKeySequence(Qt::CTRL | Qt::Key_O));
    add(file, "Save Config file", ID_FILE_SAVE, QKeySequence(Qt::CTRL | Qt::Key_S));
    add(file, "Transmit Conifg file", ID_FILE_TRANSMIT);
    add(file, "Unit history\u2026", ID_FILE_UNIT_HISTORY);
    add(file, "Compare\u2026", ID_FILE_COMPARE);
    file->addSeparator();
    add(file, "Exit(&X)", ID_APP_EXIT);

    // The keys belong to the frame's shortcuts below; the items only show them.
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit(&E)"));
    const QList<QKeySequence> undoKeys = {QKeySequence(Qt::CTRL | Qt::Key_Z),
                                          QKeySequence(Qt::ALT | Qt::Key_Backspace)};
    const QList<QKeySequence> redoKeys = {QKeySequence(Qt::CTRL | Qt::Key_Y),
                                          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
    undo_ = add(edit, "Undo", ID_EDIT_UNDO);
    redo_ = add(edit, "Redo", ID_EDIT_REDO);
    for (auto [action, keys] : {std::pair{undo_, undoKeys}, std::pair{redo_, redoKeys}}) {
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        const int id = action->data().toInt();
        for (const QKeySequence& key : keys)
            connect(new QShortcut(key, this), &QShortcut::activated, this,
                    [this, id] { OnEditKey(id); });
    }
    connect(edit, &QMenu::aboutToShow, this, [this] {
        UpdateEditItems();
        // A disabled item says nothing when the mouse is on it: the status bar says why.
        const CommandUI undo = QueryCommand(ID_EDIT_UNDO);
        reasonShown_ = !undo.enabled && !undo.reason.isEmpty();
        if (reasonShown_) statusBar()->showMessage(undo.reason);
    });
    connect(edit, &QMenu::aboutToHide, this, [this] {
        if (std::exchange(reasonShown_, false)) statusBar()->clearMessage();
    });
    UpdateEditItems();

    QMenu* help = menuBar()->addMenu(QStringLiteral("Help(&H)"));
    add(help, "About ORQ2.1", ID_APP_ABOUT);

    // Ctrl+N has no menu item: it re-runs the form's initial update.
    auto* fresh = new QAction(this);
    fresh->setObjectName(QStringLiteral("cmd%1").arg(ID_FILE_NEW));
    fresh->setData(ID_FILE_NEW);
    fresh->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(fresh, &QAction::triggered, this, [this] { RouteCommand(ID_FILE_NEW); });
    addAction(fresh);
}

void CMainFrame::SetForm(FormView* form) {
    form_ = form;
    setCentralWidget(form);
    connect(form, &FormView::commandStatesChanged, this, &CMainFrame::UpdateEditItems);
    UpdateEditItems();
}

CommandUI CMainFrame::QueryCommand(int commandId) const {
    CommandUI ui;
    ui.enabled = false;  // no form, or a form that does not know it: nothing to run
    if (form_) form_->OnUpdateCommand(commandId, ui);
    return ui;
}

void CMainFrame::UpdateEditItems() {
    for (auto [action, plain] : {std::pair{undo_, "Undo"}, std::pair{redo_, "Redo"}}) {
        if (!action) continue;
        const CommandUI ui = QueryCommand(action->data().toInt());
        action->setEnabled(ui.enabled);
        action->setText(ui.text.isEmpty() ? QString::fromUtf8(plain) : ui.text);
        action->setStatusTip(ui.reason);
    }
}

void CMainFrame::OnEditKey(int commandId) {
    const CommandUI ui = QueryCommand(commandId);
    if (!ui.enabled) {
        if (!ui.reason.isEmpty()) ShowNotice(ui.reason);
        return;
    }
    RouteCommand(commandId);
}

bool CMainFrame::RouteCommand(int commandId) {
    const bool handled =
        (form_ && form_->OnCmdMsg(commandId)) || (app_ && app_->OnCmdMsg(commandId));
    UpdateEditItems();
    return handled;
}

void CMainFrame::SetStatusText(const QString& text) {
    pane0_->setText(text);
}

QString CMainFrame::StatusText() const {
    return pane0_->text();
}

void CMainFrame::SetStatusToolTip(const QString& text) {
    pane0_->setToolTip(text);
}

void CMainFrame::ShowNotice(const QString& text) {
    constexpr int kNoticeMs = 10000;
    statusBar()->showMessage(text, kNoticeMs);
}

void CMainFrame::SetProgressPos(int position) {
    pendingProgress_ = position;
    if (progress_) progress_->setValue(position);
}

void CMainFrame::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    // The icon goes to the window manager once the window is on screen: decoding its four sizes
    // and handing them over must not keep the window itself waiting.
    if (!iconRequested_) {
        iconRequested_ = true;
        QTimer::singleShot(0, this, [this] {
            QIcon icon;
            for (int size : {16, 32, 48, 256})
                icon.addFile(QStringLiteral(":/ICON/%1-%2.png").arg(kAppIcon).arg(size),
                             QSize(size, size));
            setWindowIcon(icon);
        });
    }
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The status bar has its final layout only once the first layout pass has run: place the
    // progress bar from the event queue, after it.
    if (!placeRequested_) {
        placeRequested_ = true;
        QMetaObject::invokeMethod(this, &CMainFrame::PlaceProgressBar, Qt::QueuedConnection);
    }
}

void CMainFrame::PlaceProgressBar() {
    if (progress_) return;
    QRect pane = pane1_->geometry();
    pane.setLeft(pane.left() - kProgressExtension);
    progress_ = new QProgressBar(statusBar());
    progress_->setObjectName(QStringLiteral("ctrl%1").arg(kProgressBarId));
    progress_->setProperty("ctrlId", kProgressBarId);
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    progress_->setGeometry(pane);
    progress_->setValue(pendingProgress_);
    progress_->show();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (form_) form_->OnClose();
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) skin_.Stop();
}

}  // namespace orq

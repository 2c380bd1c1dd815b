#include "view/UnitHistoryDlg.h"

#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimeZone>
#include <QTreeWidget>

#include <algorithm>

#include "config/ConfigFile.h"
#include "framework/AppServices.h"
#include "framework/NotifyTarget.h"
#include "framework/Services.h"
#include "framework/Skin.h"
#include "link/UnitHistory.h"
#include "link/UnitSession.h"
#include "view/SetCompare.h"

namespace orq {

namespace {

using C = CUnitHistoryDlg;

constexpr ControlSpec kControls310[] = {
    {kNoId, ControlKind::Static, "Sets kept of the unit, newest first:", 7, 7, 406, 10},
    {C::IDC_HISTORY_LIST, ControlKind::ListView, nullptr, 7, 19, 406, 110},
    {C::IDC_HISTORY_DIFF_CAPTION, ControlKind::Static, nullptr, 7, 135, 406, 10},
    {C::IDC_HISTORY_DIFF, ControlKind::ListView, nullptr, 7, 147, 406, 85},
    {C::IDC_HISTORY_WRITE, ControlKind::PushButton, "Write to unit\u2026", 7, 240, 70, 14},
    {C::IDC_HISTORY_SAVE, ControlKind::PushButton, "Save as\u2026", 82, 240, 60, 14},
    {C::IDCANCEL, ControlKind::PushButton, "Close", 356, 240, 57, 14},
};
constexpr DialogTemplate kTemplate310{
    CUnitHistoryDlg::kTemplateId, "Unit history", 420, 261, kFontMainForm, kControls310};

// Backups are named in UTC; a pilot reads the clock on the wall.
QString LocalTime(const std::string& utc) {
    const QDateTime read =
        QDateTime::fromString(QString::fromStdString(utc), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!read.isValid()) return QString::fromStdString(utc);
    return QDateTime(read.date(), read.time(), QTimeZone::utc())
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString Keys(std::size_t n) {
    return n == 1 ? QStringLiteral("1 key") : QStringLiteral("%1 keys").arg(n);
}

}  // namespace

std::span<const MessageEntry<CUnitHistoryDlg>> CUnitHistoryDlg::GetMessageMap() {
    static constexpr MessageEntry<C> kMap[] = {
        OnSelChange(IDC_HISTORY_LIST, &C::OnPick),
        OnCommand(IDC_HISTORY_WRITE, &C::OnWrite),
        OnCommand(IDC_HISTORY_SAVE, &C::OnSaveAs),
        OnCommand(IDCANCEL, &C::OnClose),
        OnMessage(WM_SERIAL_RECEIVE, &C::OnSerialReceive),
    };
    return kMap;
}

CUnitHistoryDlg::CUnitHistoryDlg(AppServices& services, const SliderValues& form,
                                 std::weak_ptr<NotifyTarget> formTarget, QWidget* parent)
    : QDialog(parent),
      s_(services),
      form_(form),
      formTarget_(std::move(formTarget)),
      controls_(BuildDialog(kTemplate310, this)),
      list_(controls_.Control<QTreeWidget>(IDC_HISTORY_LIST)),
      differences_(controls_.Control<QTreeWidget>(IDC_HISTORY_DIFF)),
      store_(BackupStore::DefaultFolder()) {
    setFixedSize(controls_.Size());
    WireMessageMap(this, controls_, GetMessageMap());
    s_.skin.Apply(this, kSkinDialog);
    list_->setHeaderLabels(
        {QStringLiteral("When"), QStringLiteral("Why"), QStringLiteral("What changed")});
    list_->setAccessibleName(QStringLiteral("Kept sets"));
    differences_->setAccessibleName(QStringLiteral("Differences"));
    differences_->setSelectionMode(QAbstractItemView::NoSelection);
    readBack_.setSingleShot(true);
    connect(&readBack_, &QTimer::timeout, this, [this] { FinishReadBack(nullptr); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &CUnitHistoryDlg::Reload);
    Reload();
}

CUnitHistoryDlg::~CUnitHistoryDlg() {
    ReleaseNotifications();
}

void CUnitHistoryDlg::WatchFolder() {
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    // Until the first backup the folder may not be there: its parent says when it comes.
    QDir folder(FromPath(store_.Folder()));
    while (!folder.exists() && !folder.isRoot() && folder.cdUp()) {
    }
    if (folder.exists()) watcher_.addPath(folder.absolutePath());
}

void CUnitHistoryDlg::Reload() {
    const KeptSet* chosen = Chosen();
    const unsigned keep = chosen ? chosen->entry.id : 0;
    sets_ = ListKeptSets(store_);
    std::reverse(sets_.begin(), sets_.end());
    {
        const QSignalBlocker quiet(list_);
        list_->clear();
        for (const KeptSet& k : sets_) {
            auto* row = new QTreeWidgetItem(
                list_, {LocalTime(k.entry.time), QString::fromStdString(CauseText(k.entry.cause)),
                        k.first ? QStringLiteral("the first kept")
                                : QString::fromStdString(SummariseChanges(k.changes, "\u2192"))});
            // The line is cut at the column's edge; the whole of it on the pointer.
            if (!k.first)
                row->setToolTip(2, QString::fromStdString(
                                       SummariseChanges(k.changes, "\u2192", k.changes.size())));
            if (k.entry.id == keep || (!keep && row == list_->topLevelItem(0)))
                list_->setCurrentItem(row);
        }
        if (!list_->currentItem() && list_->topLevelItemCount() > 0)
            list_->setCurrentItem(list_->topLevelItem(0));
        list_->resizeColumnToContents(0);
        list_->resizeColumnToContents(1);
    }
    WatchFolder();
    ShowChosen();
}

const KeptSet* CUnitHistoryDlg::Chosen() const {
    QTreeWidgetItem* row = list_ ? list_->currentItem() : nullptr;
    const int i = row ? list_->indexOfTopLevelItem(row) : -1;
    return i >= 0 && std::size_t(i) < sets_.size() ? &sets_[std::size_t(i)] : nullptr;
}

void CUnitHistoryDlg::OnPick() {
    ShowChosen();
}

void CUnitHistoryDlg::ShowChosen() {
    const KeptSet* k = Chosen();
    const ComparedSet now = CurrentSet(s_.session, form_);
    const std::vector<KeyDifference> d =
        k ? DiffMirrors(now.mirror, k->mirror) : std::vector<KeyDifference>{};
    differing_ = d.size();
    ShowDifferences(differences_, d, now.name, QStringLiteral("Kept"));
    const bool unit = s_.session.Connected();
    QString caption;
    if (!k)
        caption = QStringLiteral("No set has been kept yet.");
    else if (d.empty())
        caption = unit ? QStringLiteral("The unit holds this set now.")
                       : QStringLiteral("No unit connected; the form shows this set.");
    else
        caption = unit ? QStringLiteral("Keys in which the unit's set differs from the one kept:")
                       : QStringLiteral(
                             "No unit connected. Keys in which the set on the form "
                             "differs from the one kept:");
    if (QLabel* label = controls_.Label(IDC_HISTORY_DIFF_CAPTION)) label->setText(caption);
    UpdateButtons();
}

void CUnitHistoryDlg::UpdateButtons() {
    const KeptSet* k = Chosen();
    const bool busy = ReadingBack();
    QPushButton* write = controls_.Button(IDC_HISTORY_WRITE);
    QString why;
    if (!s_.session.Connected())
        why = QStringLiteral("No unit connected");
    else if (k && differing_ == 0)
        why = QStringLiteral("The unit holds this set already");
    write->setEnabled(k && why.isEmpty() && !busy);
    write->setToolTip(why);
    controls_.Button(IDC_HISTORY_SAVE)->setEnabled(k && !busy);
}

void CUnitHistoryDlg::OnWrite() {
    const KeptSet* k = Chosen();
    if (!k || ReadingBack() || !s_.session.Connected()) return;
    const QString when = LocalTime(k->entry.time);
    const std::filesystem::path file = k->entry.path;
    const QPointer<CUnitHistoryDlg> alive(this);
    const bool yes = s_.messages.Ask(
        this, QStringLiteral("Write the set kept %1 (%2) to ORQ? %3 will change; the unit's set "
                             "is kept as a backup first.")
                  .arg(when, QString::fromStdString(CauseText(k->entry.cause)), Keys(differing_)));
    if (!alive || !yes || !s_.session.Connected()) return;

    // The kept set whole, or nothing goes out.
    SettingsMirror kept;
    SliderValues sliders;
    const LoadResult loaded = LoadConfig(file, kept, sliders);
    if (loaded.error || !loaded.found || !loaded.invalid.empty()) {
        s_.messages.Show(this, QStringLiteral("The set kept %1 could not be read whole; nothing "
                                              "was sent!")
                                   .arg(when));
        return;
    }
    s_.session.KeepSet("before-restore");
    ParameterBlock& image = s_.session.Block();
    uint32_t sent = 0;
    {
        UnitHistory::Change change(s_.history, "restore " + when.toStdString());
        image.Mirror = kept;
        DeviceFromMirror(image);
        sentSetup_ = image.Setup;
        sentTuning_ = image.Tuning;
        s_.session.Accumulator().Clear();
        sent = s_.session.SendParameters();
    }
    if (sent == 0 || s_.session.RequestParameters() == 0) {
        s_.messages.Show(this, QStringLiteral("The set could not be sent to ORQ!"));
        return;
    }
    // The answer comes here until it has come; the form gets the port back after.
    writing_ = when;
    ownTarget_ = s_.notifier.TargetFor(this);
    s_.session.SetNotifyTarget(ownTarget_);
    readBack_.start(kReadBackMs);
    UpdateButtons();
}

void CUnitHistoryDlg::OnSerialReceive(int32_t portNumber, intptr_t) {
    s_.session.OnReceive(portNumber, UnitSession::Clock::now());
    ParameterBlock held;
    if (ReadingBack() && s_.session.TakeReply(held)) FinishReadBack(&held);
}

void CUnitHistoryDlg::FinishReadBack(const ParameterBlock* held) {
    readBack_.stop();
    ReleaseNotifications();
    const QPointer<CUnitHistoryDlg> alive(this);
    if (!held) {
        s_.messages.Show(this, QStringLiteral("ORQ did not answer the read-back: whether it holds "
                                              "the set kept %1 is not known!")
                                   .arg(writing_));
    } else if (const auto d = CompareWritten(sentSetup_, sentTuning_, held->Setup, held->Tuning);
               d.empty()) {
        s_.session.KeepSet(*held, "restore");
        s_.messages.Show(this, QStringLiteral("ORQ holds the set kept %1 now, read back byte "
                                              "for byte!")
                                   .arg(writing_));
    } else {
        QString bytes;
        for (const ByteDifference& b : d)
            bytes += QStringLiteral("\n%1: sent %2, ORQ holds %3")
                         .arg(QString::fromStdString(b.name))
                         .arg(b.sent)
                         .arg(b.held);
        s_.messages.Show(this, QStringLiteral("ORQ holds %1 differently from what was written!%2")
                                   .arg(d.size() == 1 ? QStringLiteral("1 value")
                                                      : QStringLiteral("%1 values").arg(d.size()),
                                        bytes));
    }
    if (alive) Reload();
}

void CUnitHistoryDlg::OnSaveAs() {
    const KeptSet* k = Chosen();
    if (!k) return;
    const std::filesystem::path from = k->entry.path;
    const auto path = AskConfigPath(s_, this, true);
    if (!path) return;
    SettingsMirror mirror;
    SliderValues sliders;
    const LoadResult loaded = LoadConfig(from, mirror, sliders);
    std::error_code error = loaded.error;
    if (!error && !loaded.found) error = std::make_error_code(std::errc::no_such_file_or_directory);
    if (!error) error = SaveConfig(*path, mirror, sliders);
    if (error)
        s_.messages.Show(this, QStringLiteral("The config file %1 could not be saved (%2)!")
                                   .arg(FromPath(*path), QString::fromStdString(error.message())));
}

void CUnitHistoryDlg::OnClose() {
    reject();
}

void CUnitHistoryDlg::done(int result) {
    readBack_.stop();
    ReleaseNotifications();
    QDialog::done(result);
}

void CUnitHistoryDlg::customEvent(QEvent* event) {
    if (!DispatchMessageEvent(this, GetMessageMap(), event)) QDialog::customEvent(event);
}

void CUnitHistoryDlg::ReleaseNotifications() {
    if (!ownTarget_) return;
    s_.session.SetNotifyTarget(formTarget_);
    ownTarget_.reset();
}

}  // namespace orq

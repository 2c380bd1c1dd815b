#pragma once
// "Unit history": the unit's sets as they were kept in the backups folder, newest first, each
// with when, why and what differed from the set kept before it. For the set chosen it shows the
// keys in which it differs from the unit's set now (or, with no unit, from the set on the form),
// writes it to the unit (after a question, with a backup of the unit's set first, read back and
// compared byte for byte, as one step of Undo) and saves it as a configuration file. The list
// follows the folder: a set that orqctl keeps while the window is up appears in it.
//
//     CUnitHistoryDlg dialog(services, values_, notifyTarget_, this);
//     services.modal.RunModal(dialog);
//
// Only while a write is read back is the dialog the port's notify target; it hands the target
// back to `formTarget` when the answer has come, when it gives up waiting, or when it closes.

#include <QDialog>
#include <QFileSystemWatcher>
#include <QTimer>

#include <memory>
#include <span>
#include <vector>

#include "config/Backups.h"
#include "framework/DialogTemplate.h"
#include "framework/MessageMap.h"
#include "protocol/ParameterBlock.h"

class QTreeWidget;

namespace orq {

struct AppServices;
class NotifyTarget;
class WindowNotifyTarget;

class CUnitHistoryDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 310;
    enum : int {
        IDCANCEL = 2,
        IDC_HISTORY_LIST = 1201,
        IDC_HISTORY_DIFF_CAPTION = 1202,
        IDC_HISTORY_DIFF = 1203,
        IDC_HISTORY_WRITE = 1204,
        IDC_HISTORY_SAVE = 1205,
    };
    // How long the unit has to answer the read-back of a write: two frame times and then some.
    static constexpr int kReadBackMs = 2000;

    // `form` is what the main form shows, the set compared with when no unit is connected.
    CUnitHistoryDlg(AppServices& services, const SliderValues& form,
                    std::weak_ptr<NotifyTarget> formTarget, QWidget* parent = nullptr);
    ~CUnitHistoryDlg() override;

    const DialogControls& Controls() const { return controls_; }
    // The sets listed, newest first.
    const std::vector<KeptSet>& Sets() const { return sets_; }
    // Lists the folder again, keeping the set chosen.
    void Reload();
    bool ReadingBack() const { return readBack_.isActive(); }

    void done(int result) override;

protected:
    void customEvent(QEvent* event) override;

private:
    static std::span<const MessageEntry<CUnitHistoryDlg>> GetMessageMap();
    void OnPick();
    void OnWrite();
    void OnSaveAs();
    void OnClose();
    void OnSerialReceive(int32_t portNumber, intptr_t);
    // The answer to the read-back, or nullptr when none came in time.
    void FinishReadBack(const ParameterBlock* held);
    void ReleaseNotifications();
    // Watches the folder, or while it does not exist the nearest folder above it.
    void WatchFolder();
    const KeptSet* Chosen() const;
    void ShowChosen();
    void UpdateButtons();

    AppServices& s_;
    const SliderValues& form_;
    std::weak_ptr<NotifyTarget> formTarget_;
    std::shared_ptr<WindowNotifyTarget> ownTarget_;
    DialogControls controls_;
    QTreeWidget* list_ = nullptr;
    QTreeWidget* differences_ = nullptr;
    BackupStore store_;
    std::vector<KeptSet> sets_;
    std::size_t differing_ = 0;  // keys in which the chosen set differs from the one compared
    QFileSystemWatcher watcher_;
    QTimer readBack_;
    SetupBlock sentSetup_;
    TuningBlock sentTuning_;
    QString writing_;  // the chosen set's name while it is written
};

}  // namespace orq

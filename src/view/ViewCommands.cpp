// The main form's file commands: configuration files (Open, Save, Transmit) and the firmware
// group.

#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include "config/ConfigFile.h"
#include "link/UnitHistory.h"
#include "view/CompareDlg.h"
#include "link/UnitSession.h"
#include "view/SetCompare.h"
#include "view/UARTView.h"

namespace orq {

namespace {

QString InvalidValuesText(const std::vector<InvalidValue>& invalid) {
    QString text =
        QStringLiteral("These values in the config file are not numbers from -128 to 127:");
    for (const InvalidValue& v : invalid)
        text += QStringLiteral("\n[%1] %2 = \"%3\"")
                    .arg(QString::fromStdString(v.section), QString::fromStdString(v.key),
                         QString::fromStdString(v.text));
    text += QStringLiteral("\nThey were loaded as 0 or as the nearest limit!");
    return text;
}

}  // namespace

void CUARTView::OnFileOpen() {
    if (const auto path = AskConfigPath(s_, this, false)) LoadConfigFile(*path);
}

void CUARTView::OnFileSave() {
    if (const auto path = AskConfigPath(s_, this, true)) SaveConfigFile(*path);
}

void CUARTView::OnCompare() {
    const auto path = AskConfigPath(s_, this, false);
    if (!path) return;
    const ProfileReadResult read = ReadProfileFile(*path);
    if (read.error || !read.found) {
        const std::string why = read.error ? read.error.message() : "no such file";
        s_.messages.Show(this, QStringLiteral("The config file %1 could not be read (%2)!")
                                   .arg(FromPath(*path), QString::fromStdString(why)));
        return;
    }
    CCompareDlg dialog(s_, values_, *path, read.document, this);
    s_.modal.RunModal(dialog);
}

void CUARTView::LoadConfigFile(const std::filesystem::path& path) {
    const LoadResult result = LoadConfig(path, session_.Block().Mirror, values_);
    if (result.error) {
        s_.messages.Show(this,
                         QStringLiteral("The config file %1 could not be read (%2)!")
                             .arg(FromPath(path), QString::fromStdString(result.error.message())));
        return;
    }
    openedName_ = FromPath(path.filename());
    boxes_.ShowAllOnSliders();
    ddx_.WriteOut();
    update();
    if (!result.invalid.empty()) s_.messages.Show(this, InvalidValuesText(result.invalid));
}

void CUARTView::SaveConfigFile(const std::filesystem::path& path) {
    if (const std::error_code error = SaveConfig(path, session_.Block().Mirror, values_))
        s_.messages.Show(this, QStringLiteral("The config file %1 could not be saved (%2)!")
                                   .arg(FromPath(path), QString::fromStdString(error.message())));
}

void CUARTView::OnFileTransmit() {
    if (frame_) frame_->SetProgressPos(0);
    // What the file is about to replace, when there is a unit to hold it: without one the image
    // is no set a unit ever had.
    if (session_.Connected()) session_.KeepSet("transmit");
    UnitHistory::Change change(
        s_.history, openedName_.isEmpty() ? "Transmit" : "Transmit " + openedName_.toStdString());
    DeviceFromMirror(session_.Block());
    if (frame_) frame_->SetProgressPos(100);
    Send();
    change.End();  // the step is kept before the box, so the menu names it while it is up
    const QPointer<CUARTView> alive(this);
    s_.messages.Show(this, QStringLiteral("The config file has been Transmitted to ORQ!"));
    if (alive && frame_) frame_->SetProgressPos(0);
}

// ---------------------------------------------------------------------------------------------
// Firmware group: the upgrade stops at checking that the chosen file can be read.

void CUARTView::OnUpgradeOpen() {
    FileDialogRequest request;
    request.mode = FileDialogMode::Open;
    request.title = QStringLiteral("Select Hex File");
    request.filter = QStringLiteral("Hex File|*.hex|");
    request.options = kHideReadOnly | kOverwritePrompt;
    const QPointer<CUARTView> alive(this);
    const FileDialogResult result = s_.files.Run(this, request);
    if (alive && result.outcome == FileDialogOutcome::Ok) upgradePath_ = result.path;
}

void CUARTView::OnUpgrade() {
    QFile file(upgradePath_);
    // A directory opens for reading on this system but is no firmware file.
    const bool readable = !upgradePath_.isEmpty() && !QFileInfo(upgradePath_).isDir() &&
                          file.open(QIODevice::ReadOnly);
    if (!readable) {
        s_.messages.Show(this, QStringLiteral("Please open upgrade file!"));
        return;
    }
    file.close();
}

}  // namespace orq

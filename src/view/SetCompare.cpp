#include "view/SetCompare.h"

#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QPointer>
#include <QTreeWidget>

#include "config/Paths.h"
#include "framework/AppServices.h"
#include "framework/Services.h"
#include "link/UnitSession.h"

namespace orq {

namespace {
constexpr int kShortestPath = 5;
}  // namespace

ComparedSet CurrentSet(const UnitSession& session, const SliderValues& form) {
    ParameterBlock image = session.Block();
    if (session.Connected()) {
        SliderValues sliders;
        MirrorFromDevice(image, sliders);
        return {image.Mirror, QStringLiteral("Unit")};
    }
    for (const SliderBinding& b : kSliderBindings) image.Mirror.*b.mirror = LowByte(form.*b.slider);
    return {image.Mirror, QStringLiteral("Form")};
}

void ShowDifferences(QTreeWidget* list, const std::vector<KeyDifference>& differences,
                     const QString& ours, const QString& theirs) {
    if (!list) return;
    list->clear();
    list->setHeaderLabels({QStringLiteral("Key"), QStringLiteral("Section"), ours, theirs});
    for (const KeyDifference& d : differences) {
        auto* row = new QTreeWidgetItem(
            list, {QString::fromStdString(d.key), QString::fromStdString(d.section),
                   QString::number(d.a), QString::number(d.b)});
        for (int column : {2, 3}) row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    // Each column as wide as what it holds; the values stay beside their keys.
    list->header()->setStretchLastSection(false);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

std::optional<std::filesystem::path> AskConfigPath(AppServices& services, QWidget* parent,
                                                   bool save) {
    FileDialogRequest request;
    if (save) {
        request.mode = FileDialogMode::Save;
        request.title = QStringLiteral("Save Config File");
        request.filter = QStringLiteral("config file (*.ini)|*.ini||");
        // A new file must be possible: saving is how a parameter set is kept in the first
        // place. Saving replaces keys in place and keeps the rest, so there is no overwrite
        // question either.
        request.options = kPathMustExist | kHideReadOnly;
        request.defaultSuffix = QStringLiteral("ini");
    } else {
        request.mode = FileDialogMode::Open;
        request.title = QStringLiteral("Select Config File");
        request.filter = QStringLiteral("conif file (*.ini)|*.ini||");
        request.options = kPathMustExist | kFileMustExist | kHideReadOnly;
    }
    const QPointer<QWidget> alive(parent);
    const FileDialogResult result = services.files.Run(parent, request);
    if (!alive || result.outcome == FileDialogOutcome::Cancel) return std::nullopt;
    // A dialog that failed hands back an empty path, which the length rule refuses.
    QString path = result.path;
    if (path.size() < kShortestPath) {
        services.messages.Show(parent, QStringLiteral("File name is too short!"));
        return std::nullopt;
    }
    if (save && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".ini");
    return ToPath(path);
}

// A dialog's path reaches the files as UTF-8, whatever script its folders are named in.
std::filesystem::path ToPath(const QString& path) {
    return PathFromUtf8(path.toStdString());
}

QString FromPath(const std::filesystem::path& path) {
    return QString::fromStdString(Utf8Of(path));
}

}  // namespace orq

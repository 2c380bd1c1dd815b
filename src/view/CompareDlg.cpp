#include "view/CompareDlg.h"

#include <QLabel>
#include <QTreeWidget>

#include "config/ConfigFile.h"
#include "framework/AppServices.h"
#include "framework/Skin.h"
#include "view/SetCompare.h"

namespace orq {

namespace {

using C = CCompareDlg;

constexpr ControlSpec kControls320[] = {
    {C::IDC_COMPARE_CAPTION, ControlKind::Static, nullptr, 7, 7, 406, 10},
    {C::IDC_COMPARE_DIFF, ControlKind::ListView, nullptr, 7, 19, 406, 150},
    {C::IDC_COMPARE_PROBLEMS_CAPTION, ControlKind::Static, nullptr, 7, 175, 406, 10},
    {C::IDC_COMPARE_PROBLEMS, ControlKind::ListView, nullptr, 7, 187, 406, 45},
    {C::IDCANCEL, ControlKind::DefPushButton, "Close", 356, 240, 57, 14},
};
constexpr DialogTemplate kTemplate320{
    CCompareDlg::kTemplateId, "Compare", 420, 261, kFontMainForm, kControls320};

}  // namespace

std::span<const MessageEntry<CCompareDlg>> CCompareDlg::GetMessageMap() {
    static constexpr MessageEntry<C> kMap[] = {
        OnCommand(IDCANCEL, &C::OnClose),
    };
    return kMap;
}

CCompareDlg::CCompareDlg(AppServices& services, const SliderValues& form,
                         const std::filesystem::path& file, const ProfileDocument& document,
                         QWidget* parent)
    : QDialog(parent), controls_(BuildDialog(kTemplate320, this)) {
    setFixedSize(controls_.Size());
    WireMessageMap(this, controls_, GetMessageMap());
    services.skin.Apply(this, kSkinDialog);

    SettingsMirror theirs;
    SliderValues sliders;
    static_cast<void>(LoadConfig(document, theirs, sliders));
    const ComparedSet ours = CurrentSet(services.session, form);
    const std::vector<KeyDifference> d = DiffMirrors(ours.mirror, theirs);
    const QString name = FromPath(file.filename());
    auto* list = controls_.Control<QTreeWidget>(IDC_COMPARE_DIFF);
    ShowDifferences(list, d, ours.name, QStringLiteral("File"));
    list->setAccessibleName(QStringLiteral("Differences"));
    list->setSelectionMode(QAbstractItemView::NoSelection);
    const QString with = ours.name == QLatin1String("Unit")
                             ? QStringLiteral("the unit's set")
                             : QStringLiteral("the set on the form (no unit connected)");
    controls_.Label(IDC_COMPARE_CAPTION)
        ->setText(d.empty() ? QStringLiteral("%1 holds the same values as %2.").arg(name, with)
                            : QStringLiteral("Keys in which %1 differs from %2:").arg(name, with));

    const std::vector<KeyProblem> problems = CheckConfig(document);
    auto* refused = controls_.Control<QTreeWidget>(IDC_COMPARE_PROBLEMS);
    refused->setHeaderLabels({QStringLiteral("Value")});
    refused->setAccessibleName(QStringLiteral("Values outside their ranges"));
    refused->setSelectionMode(QAbstractItemView::NoSelection);
    for (const KeyProblem& p : problems)
        new QTreeWidgetItem(refused, {QString::fromStdString(Describe(p))});
    controls_.Label(IDC_COMPARE_PROBLEMS_CAPTION)
        ->setText(problems.empty()
                      ? QStringLiteral("Every value of %1 lies within its range.").arg(name)
                      : QStringLiteral("Values of %1 the configurator would not let you choose:")
                            .arg(name));
}

void CCompareDlg::OnClose() {
    reject();
}

}  // namespace orq

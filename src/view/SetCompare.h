#pragma once
// What the windows that set one parameter set beside another share: the set they compare with
// (the unit's, or with no unit the set on the form), the list of keys that differ, and the
// configuration-file dialogs of Open and Save.

#include <QString>

#include <filesystem>
#include <optional>
#include <vector>

#include "config/ConfigCheck.h"
#include "protocol/ParameterBlock.h"

class QTreeWidget;
class QWidget;

namespace orq {

struct AppServices;
class UnitSession;

// The set a kept set or a file is compared with, and its column's caption.
struct ComparedSet {
    SettingsMirror mirror;
    QString name;  // "Unit" or "Form"
};
// The unit's set as a connection shows it; without a unit, what Save would write from the form.
ComparedSet CurrentSet(const UnitSession& session, const SliderValues& form);

// Fills a list view with one row a key: key, section, its value in `ours`, in `theirs`. The
// columns are named "Key", "Section" and the two captions.
void ShowDifferences(QTreeWidget* list, const std::vector<KeyDifference>& differences,
                     const QString& ours, const QString& theirs);

// The file dialog of Open ("Select Config File") or Save ("Save Config File"), and the name it
// gave, or nothing after Cancel or a name refused as too short (the user has been told).
std::optional<std::filesystem::path> AskConfigPath(AppServices& services, QWidget* parent,
                                                   bool save);

std::filesystem::path ToPath(const QString& path);
QString FromPath(const std::filesystem::path& path);

}  // namespace orq

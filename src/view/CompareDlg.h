#pragma once
// "Compare": a configuration file beside the unit's set (or, with no unit, the set on the form)
// before the pilot decides to Transmit it. One list holds the keys in which the two differ and
// nothing else; a second names the file's values that lie outside what the configurator lets a
// pilot choose, as `orqctl check` names them. A file with such values still shows its list.
//
//     CCompareDlg dialog(services, values_, path, this);
//     services.modal.RunModal(dialog);

#include <QDialog>

#include <filesystem>
#include <span>
#include <vector>

#include "config/ConfigCheck.h"
#include "framework/DialogTemplate.h"
#include "framework/MessageMap.h"

namespace orq {

struct AppServices;
class ProfileDocument;

class CCompareDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 320;
    enum : int {
        IDCANCEL = 2,
        IDC_COMPARE_CAPTION = 1211,
        IDC_COMPARE_DIFF = 1212,
        IDC_COMPARE_PROBLEMS_CAPTION = 1213,
        IDC_COMPARE_PROBLEMS = 1214,
    };

    // `file` has been read into `document`; `form` is what the main form shows.
    CCompareDlg(AppServices& services, const SliderValues& form, const std::filesystem::path& file,
                const ProfileDocument& document, QWidget* parent = nullptr);

    const DialogControls& Controls() const { return controls_; }

private:
    static std::span<const MessageEntry<CCompareDlg>> GetMessageMap();
    void OnClose();

    DialogControls controls_;
};

}  // namespace orq

#pragma once
// What every page of the Setup wizard shares. A page is built from its template as a child of
// the Setup dialog and lives as long as the dialog; hiding and showing it runs none of its code.
// It paints its pictures at their fixed pixel positions and natural size before its controls
// draw, so its labels (transparent, as every label is) lie over them. A page that changes a
// parameter does it by the edit rule: its own copy first, then the SetupBlock byte and the
// SettingsMirror key, then one parameter write (UnitSession::ApplyEdit). Each page wires its
// controls through a message map of its own, as every window does.

#include <QImage>
#include <QWidget>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "framework/AppServices.h"
#include "framework/DialogTemplate.h"
#include "framework/MessageMap.h"
#include "protocol/ParameterBlock.h"
#include "wizard/SetupTemplates.h"

class QPainter;

namespace orq {

class UnitSession;
class WindowNotifyTarget;

class SetupPage : public QWidget {
    Q_OBJECT
public:
    SetupPage(AppServices& services, const DialogTemplate& tmpl,
              std::span<const PagePicture> pictures, QWidget* parent);
    ~SetupPage() override;

    // The page's dialog initialisation: the skin, then the page's own steps.
    void InitDialog();
    const DialogControls& Controls() const { return controls_; }
    // The target through which the port's notifications reach this page while it is shown.
    std::shared_ptr<WindowNotifyTarget> NotifyTarget();

protected:
    virtual void OnInitPage() {}
    // Pictures the page picks when it paints (by a value that may have changed meanwhile);
    // painted before the fixed ones.
    virtual void PaintChosenPictures(QPainter&) {}
    // The edit rule with the page's copy already updated: the key's device byte and the key
    // itself take `value`, then the parameter write goes out. It is one step of the unit's
    // history, called `step` (empty: after the byte and its values).
    void ApplyEdit(int8_t SettingsMirror::*key, int value, std::string step);
    // What the page starts from: the unit's set as the session holds it.
    const SettingsMirror& Mirror() const;
    // A direction toggle: 1 (normal) becomes -1 (reverse); anything else becomes 1.
    static int Flipped(int direction) { return direction == 1 ? -1 : 1; }
    // Draws a picture loaded once with LoadPngResource, at its natural size.
    static void DrawPicture(QPainter& p, const std::optional<QImage>& image, int x, int y);

    void paintEvent(QPaintEvent* event) override;

    AppServices& s_;
    UnitSession& session_;
    DialogControls controls_;

private:
    struct Picture {
        std::optional<QImage> image;
        int x, y;
    };
    std::vector<Picture> pictures_;
    std::shared_ptr<WindowNotifyTarget> notifyTarget_;
};

}  // namespace orq

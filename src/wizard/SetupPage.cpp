#include "wizard/SetupPage.h"

#include <QPainter>

#include "framework/NotifyTarget.h"
#include "framework/Skin.h"
#include "link/UnitHistory.h"
#include "link/UnitSession.h"
#include "widgets/PngResource.h"
#include "widgets/WidgetFactories.h"

namespace orq {

SetupPage::SetupPage(AppServices& services, const DialogTemplate& tmpl,
                     std::span<const PagePicture> pictures, QWidget* parent)
    : QWidget(parent),
      s_(services),
      session_(services.session),
      controls_(BuildDialog(tmpl, this, WidgetFactories())) {
    hide();
    for (const PagePicture& p : pictures)
        pictures_.push_back({LoadPngResource(p.resource), p.x, p.y});
}

SetupPage::~SetupPage() = default;

void SetupPage::InitDialog() {
    s_.skin.Apply(this, kSkinDialog);
    OnInitPage();
}

std::shared_ptr<WindowNotifyTarget> SetupPage::NotifyTarget() {
    if (!notifyTarget_) notifyTarget_ = s_.notifier.TargetFor(this);
    return notifyTarget_;
}

void SetupPage::ApplyEdit(int8_t SettingsMirror::*key, int value, std::string step) {
    UnitHistory::Change change(s_.history, std::move(step));
    static_cast<void>(session_.ApplyEdit(key, value));
}

const SettingsMirror& SetupPage::Mirror() const {
    return session_.Block().Mirror;
}

void SetupPage::DrawPicture(QPainter& p, const std::optional<QImage>& image, int x, int y) {
    if (image) p.drawImage(QPoint(x, y), *image);
}

void SetupPage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintChosenPictures(p);
    for (const Picture& picture : pictures_) DrawPicture(p, picture.image, picture.x, picture.y);
}

}  // namespace orq

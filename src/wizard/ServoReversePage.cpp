#include "wizard/ServoReversePage.h"

#include <QPainter>
#include <QPushButton>


namespace orq {

namespace {
struct Channel {
    int button;
    int8_t SettingsMirror::*key;
    const char* normal;
    const char* reverse;
};
constexpr Channel kChannels[3] = {
    {IDC_STEP8_CH1, &SettingsMirror::ServoDirCH1, "CH1(Normal)", "CH1(Reverse)"},
    {IDC_STEP8_CH2, &SettingsMirror::ServoDirCH2, "CH2(Normal)", "CH2(Reverse)"},
    {IDC_STEP8_CH3, &SettingsMirror::ServoDirCH3, "CH3(Normal)", "CH3(Reverse)"},
};
}  // namespace

CStep8::CStep8(AppServices& services, QWidget* parent)
    : SetupPage(services, kTemplate197, kPictures197, parent),
      swash_(services.block.Mirror, controls_.Label(IDC_STEP8_SWASH_TYPE), kSwashPlace197) {
    for (std::size_t i = 0; i < std::size(kChannels); ++i) {
        directions_[i] = services.block.Mirror.*kChannels[i].key;
        if (QPushButton* b = controls_.Button(kChannels[i].button))
            connect(b, &QPushButton::clicked, this, [this, i] { OnChannel(static_cast<int>(i)); });
    }
    // CH4 (1083) is never shown and does nothing: the tail servo has its own page.
}

void CStep8::OnInitPage() {
    for (int i = 0; i < 3; ++i) ShowDirection(i);
    swash_.ShowName();
}

void CStep8::ShowDirection(int channel) {
    const Channel& c = kChannels[channel];
    if (QPushButton* b = controls_.Button(c.button))
        b->setText(QString::fromUtf8(directions_[channel] == 1 ? c.normal : c.reverse));
}

void CStep8::OnChannel(int channel) {
    int& d = directions_[channel];
    d = Flipped(d);
    ShowDirection(channel);
    ApplyEdit(kChannels[channel].key, d);
}

void CStep8::showEvent(QShowEvent* event) {
    swash_.ShowName();
    SetupPage::showEvent(event);
}

void CStep8::PaintChosenPictures(QPainter& p) {
    swash_.Paint(p);
}

}  // namespace orq

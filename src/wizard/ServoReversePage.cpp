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
      swash_(Mirror(), controls_.Label(IDC_STEP8_SWASH_TYPE), kSwashPlace197) {
    for (std::size_t i = 0; i < std::size(kChannels); ++i)
        directions_[i] = Mirror().*kChannels[i].key;
    WireMessageMap(this, controls_, GetMessageMap());
}

std::span<const MessageEntry<CStep8>> CStep8::GetMessageMap() {
    using P = CStep8;
    static constexpr MessageEntry<P> kMap[] = {
        OnCommand(IDC_STEP8_CH1, &P::OnChannel), OnCommand(IDC_STEP8_CH2, &P::OnChannel),
        OnCommand(IDC_STEP8_CH3, &P::OnChannel),
        // CH4 (1083) is never shown and does nothing: the tail servo has its own page.
    };
    return kMap;
}

void CStep8::OnInitPage() {
    for (std::size_t i = 0; i < std::size(kChannels); ++i) ShowDirection(i);
    swash_.ShowName();
}

void CStep8::ShowDirection(std::size_t channel) {
    const Channel& c = kChannels[channel];
    if (QPushButton* b = controls_.Button(c.button))
        b->setText(QString::fromUtf8(directions_[channel] == 1 ? c.normal : c.reverse));
}

void CStep8::OnChannel(int buttonId) {
    for (std::size_t i = 0; i < std::size(kChannels); ++i) {
        if (kChannels[i].button != buttonId) continue;
        directions_[i] = Flipped(directions_[i]);
        ShowDirection(i);
        ApplyEdit(kChannels[i].key, directions_[i], "Servo reverse CH" + std::to_string(i + 1));
    }
}

void CStep8::showEvent(QShowEvent* event) {
    swash_.ShowName();
    SetupPage::showEvent(event);
}

void CStep8::PaintChosenPictures(QPainter& p) {
    swash_.Paint(p);
}

}  // namespace orq

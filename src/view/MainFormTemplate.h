#pragma once
// Dialog template 101: the main form. Table order is the keyboard tab order; statics and group
// boxes carry no id and sit after the controls so they never cover them.

#include "framework/DialogTemplate.h"
#include "protocol/Presets.h"

namespace orq {

inline constexpr int kTemplateMainForm = 101;

// Control ids of the main form.
enum MainFormId : int {
    IDC_CONNECT = 1000,
    IDC_SETUP = 1001,
    IDC_PITCH_AGILITY_SLIDER = 1002,
    IDC_PITCH_GAIN_SLIDER = 1003,
    IDC_PITCH_AGILITY_EDIT = 1004,
    IDC_PITCH_GAIN_EDIT = 1005,
    IDC_PRESET_BEGINNER = 1006,
    IDC_PRESET_F3C = 1007,
    IDC_PRESET_3D_SOFT = 1008,
    IDC_ADVANCE = 1009,
    IDC_ROLL_AGILITY_SLIDER = 1010,
    IDC_YAW_LEFT_SLIDER = 1011,
    IDC_TAIL_GAIN_SLIDER = 1012,
    IDC_ROLL_GAIN_SLIDER = 1013,
    IDC_ROLL_AGILITY_EDIT = 1014,
    IDC_ROLL_GAIN_EDIT = 1015,
    IDC_YAW_LEFT_EDIT = 1016,
    IDC_TAIL_GAIN_EDIT = 1017,
    IDC_PRESET_3D_HARD = 1018,
    IDC_PRESET_3D_EXTREME = 1019,
    IDC_RESET_MAIN = 1020,
    IDC_RESET_TAIL = 1021,
    IDC_UPGRADE_OPEN = 1023,
    IDC_UPGRADE = 1024,
    IDC_YAW_RIGHT_SLIDER = 1025,
    IDC_MAKER_LABEL = 1035,
    IDC_YAW_RIGHT_EDIT = 1128,
    IDC_ALL_DATA_RESET = 1164,
};

// The preset buttons, in the order they sit on the form, each with its four-frame strip.
struct PresetButton {
    int id;
    Preset preset;
    int png;
};
inline constexpr PresetButton kPresetButtons[] = {
    {IDC_PRESET_BEGINNER, Preset::Beginner, 244},    {IDC_PRESET_F3C, Preset::F3C, 243},
    {IDC_PRESET_3D_SOFT, Preset::Soft3D, 245},       {IDC_PRESET_3D_HARD, Preset::Hard3D, 246},
    {IDC_PRESET_3D_EXTREME, Preset::Extreme3D, 247},
};

namespace detail {
using CK = ControlKind;
inline constexpr unsigned kEditStyle = kBorder | kTextCenter;
inline constexpr unsigned kTickStyle = kTextLeft;
inline constexpr unsigned kCaptionStyle = kTextCenter;
}  // namespace detail

// clang-format off
inline constexpr ControlSpec kControls101[] = {
    {IDC_CONNECT, detail::CK::PushButton, "Connect ORQ", 461, 30, 65, 19},
    {IDC_SETUP, detail::CK::PushButton, "Setup", 461, 60, 65, 19},
    {IDC_PITCH_AGILITY_SLIDER, detail::CK::SliderVert, nullptr, 150, 135, 25, 149},
    {IDC_PITCH_GAIN_SLIDER, detail::CK::SliderVert, nullptr, 195, 135, 25, 149},
    {IDC_PITCH_AGILITY_EDIT, detail::CK::Edit, nullptr, 145, 285, 33, 14, detail::kEditStyle},
    {IDC_PITCH_GAIN_EDIT, detail::CK::Edit, nullptr, 195, 285, 33, 14, detail::kEditStyle},
    {IDC_PRESET_BEGINNER, detail::CK::ImageButton, nullptr, 10, 30, 55, 30},
    {IDC_PRESET_F3C, detail::CK::ImageButton, nullptr, 98, 30, 55, 30},
    {IDC_PRESET_3D_SOFT, detail::CK::ImageButton, nullptr, 186, 30, 55, 30},
    {IDC_ADVANCE, detail::CK::PushButton, "Advance Menu", 461, 90, 65, 19},
    {IDC_ROLL_AGILITY_SLIDER, detail::CK::SliderVert, nullptr, 35, 135, 25, 149},
    {IDC_YAW_LEFT_SLIDER, detail::CK::SliderVert, nullptr, 283, 135, 25, 149},
    {IDC_TAIL_GAIN_SLIDER, detail::CK::SliderVert, nullptr, 375, 135, 25, 149},
    {IDC_ROLL_GAIN_SLIDER, detail::CK::SliderVert, nullptr, 83, 135, 25, 149},
    {IDC_ROLL_AGILITY_EDIT, detail::CK::Edit, nullptr, 35, 285, 33, 14, detail::kEditStyle},
    {IDC_ROLL_GAIN_EDIT, detail::CK::Edit, nullptr, 83, 285, 33, 14, detail::kEditStyle},
    {IDC_YAW_LEFT_EDIT, detail::CK::Edit, nullptr, 282, 285, 33, 14, detail::kEditStyle},
    {IDC_TAIL_GAIN_EDIT, detail::CK::Edit, nullptr, 375, 285, 33, 14, detail::kEditStyle},
    {IDC_PRESET_3D_HARD, detail::CK::ImageButton, nullptr, 274, 30, 55, 30},
    {IDC_PRESET_3D_EXTREME, detail::CK::ImageButton, nullptr, 362, 30, 55, 30},
    {IDC_RESET_MAIN, detail::CK::PushButton, "Reset", 191, 320, 50, 14},
    {IDC_RESET_TAIL, detail::CK::PushButton, "Reset", 361, 320, 50, 14},
    {IDC_UPGRADE_OPEN, detail::CK::PushButton, "Open", 445, 155, 25, 19},
    {IDC_UPGRADE, detail::CK::PushButton, "Upgrade", 485, 155, 35, 19},
    {IDC_MAKER_LABEL, detail::CK::Static, "ORQ Works  V2.1", 442, 307, 83, 10, kDisabled},
    {IDC_YAW_RIGHT_SLIDER, detail::CK::SliderVert, nullptr, 329, 135, 25, 149},
    {IDC_YAW_RIGHT_EDIT, detail::CK::Edit, nullptr, 330, 285, 33, 14, detail::kEditStyle},
    {IDC_ALL_DATA_RESET, detail::CK::PushButton, "All Data Reset", 461, 120, 65, 19},

    {kNoId, detail::CK::Static, "S/N 2100-0001", 442, 292, 73, 8, kDisabled},

    // Slider captions.
    {kNoId, detail::CK::Static, "Agility", 25, 123, 45, 9, detail::kCaptionStyle},
    {kNoId, detail::CK::Static, "Gain", 73, 123, 45, 9, detail::kCaptionStyle},
    {kNoId, detail::CK::Static, "Agility", 140, 123, 45, 9, detail::kCaptionStyle},
    {kNoId, detail::CK::Static, "Gain", 185, 123, 45, 9, detail::kCaptionStyle},
    {kNoId, detail::CK::Static, "Yaw rate L", 273, 123, 45, 9, detail::kCaptionStyle},
    {kNoId, detail::CK::Static, "Yaw rate R", 319, 123, 45, 9, detail::kCaptionStyle},
    {kNoId, detail::CK::Static, "Gain", 365, 123, 45, 9, detail::kCaptionStyle},

    // Tick labels right of each slider, from the top: beside agility and the yaw rates one per
    // tick; beside the gains one per tick down to 30, and 10 at the bottom end. Each text's
    // middle lies on its tick line: the channel starts half a thumb below the slider's top.
    {kNoId, detail::CK::Static, "60", 61, 135, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "45", 61, 182, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "30", 61, 228, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "15", 61, 275, 16, 8, detail::kTickStyle},

    {kNoId, detail::CK::Static, "125", 109, 135, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "110", 109, 153, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "95", 109, 171, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "75", 109, 190, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "60", 109, 208, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "45", 109, 226, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "30", 109, 244, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "10", 109, 275, 16, 8, detail::kTickStyle},

    {kNoId, detail::CK::Static, "60", 176, 135, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "45", 176, 182, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "30", 176, 228, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "15", 176, 275, 16, 8, detail::kTickStyle},

    {kNoId, detail::CK::Static, "125", 221, 135, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "110", 221, 153, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "95", 221, 171, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "75", 221, 190, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "60", 221, 208, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "45", 221, 226, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "30", 221, 244, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "10", 221, 275, 16, 8, detail::kTickStyle},

    {kNoId, detail::CK::Static, "60", 309, 135, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "45", 309, 182, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "30", 309, 228, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "15", 309, 275, 16, 8, detail::kTickStyle},

    {kNoId, detail::CK::Static, "60", 355, 135, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "45", 355, 182, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "30", 355, 228, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "15", 355, 275, 16, 8, detail::kTickStyle},

    {kNoId, detail::CK::Static, "125", 401, 135, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "110", 401, 153, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "95", 401, 171, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "75", 401, 190, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "60", 401, 208, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "45", 401, 226, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "30", 401, 244, 16, 8, detail::kTickStyle},
    {kNoId, detail::CK::Static, "10", 401, 275, 16, 8, detail::kTickStyle},

    // Group boxes.
    {kNoId, detail::CK::GroupBox, "Preset parameters", 4, 14, 450, 76},
    {kNoId, detail::CK::GroupBox, "Main rotor", 8, 95, 246, 246},
    {kNoId, detail::CK::GroupBox, "Roll", 24, 110, 105, 205},
    {kNoId, detail::CK::GroupBox, "Pitch", 134, 110, 105, 205},
    {kNoId, detail::CK::GroupBox, "Tail rotor", 261, 95, 167, 246},
    {kNoId, detail::CK::GroupBox, "Firmware upgrade", 435, 145, 90, 35},
};
// clang-format on

inline constexpr DialogTemplate kTemplate101{kTemplateMainForm, nullptr,     526, 341,
                                             kFontMainForm,     kControls101};

}  // namespace orq

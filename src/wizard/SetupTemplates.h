#pragma once
// Dialog templates of the Setup wizard: the dialog 171 with its tab strip and navigation
// buttons, and one child template per page. Table order is the keyboard tab order.
//
// The page templates reuse control numbers (1025, 1035, 1037, ...), so each page's ids carry
// the prefix of its class, IDC_STEPn_ for CStepn. Class numbers are not page numbers: there is
// no CStep5, and page 11 is CStep13 while page 12 is CStep12 (see kSetupPages).
//
// Beside the controls, each page paints fixed pictures straight onto its client area before the
// controls draw; those are listed here too, in pixels of the page's client area, in the order
// the page loads and paints them.

#include "framework/DialogTemplate.h"

namespace orq {

// A PNG resource a page paints at its natural size, its top-left corner at (x, y).
struct PagePicture {
    int resource;
    int x, y;
};

// Where a page paints a picture it picks at paint time.
struct PicturePlace {
    int x, y;
};

namespace wizard_detail {
using CK = ControlKind;
inline constexpr unsigned kEditStyle = kBorder | kTextCenter;
// Template size of the image buttons that the tables give by position only. Giving the strip
// with SetImage resizes a CPngButton to one frame, so this only matters until then.
inline constexpr int kImageButtonCx = 50, kImageButtonCy = 14;
// Slider tick labels have a position only; this fits "-125" at the setup font.
inline constexpr int kTickCx = 18, kTickCy = 8;
}  // namespace wizard_detail

// clang-format off

// ---------------------------------------------------------------------------------------------
// 171: the Setup dialog.

enum SetupDlgId : int {
    IDC_SETUP_OK = 1,
    IDC_SETUP_CANCEL = 1026,
    IDC_SETUP_FINISH = 1027,
    IDC_SETUP_PREV = 1028,
    IDC_SETUP_NEXT = 1029,
    IDC_SETUP_TAB = 1030,
};

inline constexpr ControlSpec kControls171[] = {
    {IDC_SETUP_TAB, wizard_detail::CK::TabControl, nullptr, 5, 5, 515, 270},
    {IDC_SETUP_CANCEL, wizard_detail::CK::PushButton, "Cancel", 10, 280, 50, 14},
    {IDC_SETUP_PREV, wizard_detail::CK::PushButton, "Prev", 65, 280, 50, 14},
    {IDC_SETUP_NEXT, wizard_detail::CK::PushButton, "Next", 420, 280, 50, 14},
    {IDC_SETUP_FINISH, wizard_detail::CK::PushButton, "Finish", 475, 280, 50, 14, kNoTabStop},
    // Never shown. It is the default button only so that Enter lands somewhere harmless: the
    // wizard's OK does nothing, and the way out is "Finish".
    {IDC_SETUP_OK, wizard_detail::CK::DefPushButton, "OK", 120, 280, 15, 14, kHidden},
};

inline constexpr DialogTemplate kTemplate171{171, "Setup", 529, 297, kFontSetup, kControls171};

// ---------------------------------------------------------------------------------------------
// 172: page 1, "Transmitter" (CStep1).

enum Step1Id : int {
    IDC_STEP1_TEXT1 = 1035,
    IDC_STEP1_TEXT2 = 1037,
    IDC_STEP1_TEXT3 = 1064,
};

inline constexpr ControlSpec kControls172[] = {
    {IDC_STEP1_TEXT1, wizard_detail::CK::Static, "1.Power on the transmitter and create a new helicopter model, set the trims and sub-trims of all the channels to be zero. Set the swashplate mode as a no mixing mode(Futaba:H1; JR:1 servo NORM)in your transmitter.", 5, 5, 506, 20},
    {IDC_STEP1_TEXT2, wizard_detail::CK::Static, "2.Make sure all the mixing functions related to swashplate and tail are turned off. Do not adjust the collective pitch curve now, remain it as a straight line.", 5, 31, 501, 19},
    {IDC_STEP1_TEXT3, wizard_detail::CK::Static, "3.Take DX7 and 8FG for example, conservative configuration shown below.", 5, 56, 285, 10},
};

inline constexpr DialogTemplate kTemplate172{172, nullptr, 527, 237, kFontSetup, kControls172};

// The two transmitters' settings tables, side by side under the texts.
inline constexpr PagePicture kPictures172[] = {{179, 20, 180}, {180, 430, 180}};

// ---------------------------------------------------------------------------------------------
// 173: page 2, "Receiver" (CStep2). Only the wiring picture; no control at all.

inline constexpr DialogTemplate kTemplate173{173, nullptr, 389, 198, kFontSetup, {}};

inline constexpr PagePicture kPictures173[] = {{182, 50, 50}};

// ---------------------------------------------------------------------------------------------
// 174: page 3, "Monitor" (CStep3).

enum Step3Id : int {
    IDC_STEP3_TEXT3 = 1037,
    IDC_STEP3_TEXT1 = 1038,
    IDC_STEP3_ELEVATOR_BAR = 1039,
    IDC_STEP3_AILERON_BAR = 1040,
    IDC_STEP3_RUDDER_BAR = 1041,
    IDC_STEP3_TAIL_GAIN_BAR = 1042,
    IDC_STEP3_COLLECTIVE_BAR = 1043,
    IDC_STEP3_ELEVATOR_CAPTION = 1044,
    IDC_STEP3_ELEVATOR_PUSH = 1045,
    IDC_STEP3_ELEVATOR_PULL = 1047,
    IDC_STEP3_COLLECTIVE_CAPTION = 1048,
    IDC_STEP3_COLLECTIVE_UP = 1049,
    IDC_STEP3_COLLECTIVE_VALUE = 1050,
    IDC_STEP3_COLLECTIVE_DOWN = 1051,
    IDC_STEP3_AILERON_LEFT = 1052,
    IDC_STEP3_AILERON_VALUE = 1053,
    IDC_STEP3_AILERON_RIGHT = 1054,
    IDC_STEP3_RUDDER_LEFT = 1055,
    IDC_STEP3_RUDDER_VALUE = 1056,
    IDC_STEP3_RUDDER_RIGHT = 1057,
    IDC_STEP3_TAIL_GAIN_AVCS = 1058,
    IDC_STEP3_TAIL_GAIN_VALUE = 1059,
    IDC_STEP3_TAIL_GAIN_NORMAL = 1060,
    IDC_STEP3_AILERON_CAPTION = 1061,
    IDC_STEP3_RUDDER_CAPTION = 1062,
    IDC_STEP3_TAIL_GAIN_CAPTION = 1063,
    IDC_STEP3_TEXT4 = 1064,
    IDC_STEP3_TEXT2 = 1065,
    IDC_STEP3_ELEVATOR_VALUE = 1163,
};

inline constexpr ControlSpec kControls174[] = {
    {IDC_STEP3_TEXT1, wizard_detail::CK::Static, "1.Move the sticks, the signals on the screen should change with the sticks separately.", 2, 8, 500, 10},
    {IDC_STEP3_TEXT2, wizard_detail::CK::Static, "2.Make the signals move to the same directions with the sticks, by using the \"Servo reverse\" function in your transmitter.", 2, 27, 455, 10},
    {IDC_STEP3_TEXT3, wizard_detail::CK::Static, "3.Adjust the signals to be 0 by using the \"Sub-tirm\" or \"Trim\" in your transmitter, when the sticks are centered.", 2, 44, 500, 10},
    {IDC_STEP3_TEXT4, wizard_detail::CK::Static, "4.Adjust the signals to be 100 by using the \"End point\" or \"EPA\" in your transmitter, when the sticks are moved to end positions.", 2, 62, 500, 10},
    // One sentence broken by hand over two labels, the second indented under the first.
    {kNoId, wizard_detail::CK::Static, "5.Dial the gain switch of your transmitter to AVCS Mode, the signal of tail gyro gain should go to \"AVCS Mode\";  Dial the gain switch to Normal Mode, the", 2, 81, 500, 9},
    {kNoId, wizard_detail::CK::Static, "signal of tail gyro gain should go to \"Normal Mode\".We recommend that you set the tail gain to be about 36% for begin.", 7, 94, 425, 10},
    {IDC_STEP3_ELEVATOR_CAPTION, wizard_detail::CK::Static, "Elevator", 75, 150, 30, 8},
    {IDC_STEP3_COLLECTIVE_CAPTION, wizard_detail::CK::Static, "Collective pitch", 133, 150, 50, 8},
    {IDC_STEP3_ELEVATOR_BAR, wizard_detail::CK::LevelBarVert, nullptr, 80, 160, 10, 60},    // CVertLevelBar
    {IDC_STEP3_COLLECTIVE_BAR, wizard_detail::CK::LevelBarVert, nullptr, 150, 160, 10, 60},  // CVertLevelBar
    {IDC_STEP3_ELEVATOR_PUSH, wizard_detail::CK::Static, "Push", 95, 160, 17, 8},
    {IDC_STEP3_ELEVATOR_VALUE, wizard_detail::CK::Static, "0", 95, 186, 20, 8},
    {IDC_STEP3_ELEVATOR_PULL, wizard_detail::CK::Static, "Pull", 95, 215, 17, 8},
    {IDC_STEP3_COLLECTIVE_UP, wizard_detail::CK::Static, "Up", 165, 160, 10, 8},
    {IDC_STEP3_COLLECTIVE_VALUE, wizard_detail::CK::Static, "0", 165, 186, 20, 8},
    {IDC_STEP3_COLLECTIVE_DOWN, wizard_detail::CK::Static, "Down", 165, 215, 20, 8},
    {IDC_STEP3_AILERON_CAPTION, wizard_detail::CK::Static, "Aileron", 340, 150, 25, 8},
    {IDC_STEP3_AILERON_LEFT, wizard_detail::CK::Static, "Left", 370, 140, 15, 8},
    {IDC_STEP3_AILERON_VALUE, wizard_detail::CK::Static, "0", 400, 140, 20, 8},
    {IDC_STEP3_AILERON_RIGHT, wizard_detail::CK::Static, "Right", 430, 140, 20, 8},
    {IDC_STEP3_AILERON_BAR, wizard_detail::CK::LevelBarHorz, nullptr, 370, 150, 65, 8},      // CHorzLevelBar
    {IDC_STEP3_RUDDER_CAPTION, wizard_detail::CK::Static, "Rudder", 338, 185, 24, 8},
    {IDC_STEP3_RUDDER_LEFT, wizard_detail::CK::Static, "Left", 370, 175, 15, 8},
    {IDC_STEP3_RUDDER_VALUE, wizard_detail::CK::Static, "0", 400, 175, 20, 8},
    {IDC_STEP3_RUDDER_RIGHT, wizard_detail::CK::Static, "Right", 430, 175, 20, 8},
    {IDC_STEP3_RUDDER_BAR, wizard_detail::CK::LevelBarHorz, nullptr, 370, 185, 65, 8},       // CHorzLevelBar
    {IDC_STEP3_TAIL_GAIN_CAPTION, wizard_detail::CK::Static, "Tail Gain", 333, 220, 30, 8},
    {IDC_STEP3_TAIL_GAIN_NORMAL, wizard_detail::CK::Static, "Normal", 359, 209, 24, 8},
    {IDC_STEP3_TAIL_GAIN_VALUE, wizard_detail::CK::Static, "0", 400, 210, 20, 8},
    {IDC_STEP3_TAIL_GAIN_AVCS, wizard_detail::CK::Static, "AVCS", 425, 209, 19, 8},
    {IDC_STEP3_TAIL_GAIN_BAR, wizard_detail::CK::LevelBarHorz, nullptr, 370, 220, 65, 8},    // CHorzLevelBar
};

inline constexpr DialogTemplate kTemplate174{174, nullptr, 507, 247, kFontSetup, kControls174};

// The transmitter with its stick directions, right of the bars.
inline constexpr PagePicture kPictures174[] = {{186, 370, 280}};

// ---------------------------------------------------------------------------------------------
// 175: page 4, "Installation" (CStep4). The button images carry the pictures; the page paints
// none of its own.

enum Step4Id : int {
    IDC_STEP4_TEXT1 = 1035,
    IDC_STEP4_TEXT2 = 1038,
    IDC_STEP4_DIRECTION1_CAPTION = 1044,
    IDC_STEP4_DIRECTION2_CAPTION = 1045,
    IDC_STEP4_DIRECTION3_CAPTION = 1046,
    IDC_STEP4_DIRECTION1 = 1066,
    IDC_STEP4_DIRECTION2 = 1067,
    IDC_STEP4_DIRECTION3 = 1068,
};

inline constexpr ControlSpec kControls175[] = {
    {IDC_STEP4_TEXT1, wizard_detail::CK::Static, "1.Installation direction of gyro.", 3, 5, 150, 15},
    {IDC_STEP4_TEXT2, wizard_detail::CK::Static, "2.Click the button as your ORQ mounting, red is selected .", 3, 20, 200, 15},
    {IDC_STEP4_DIRECTION1_CAPTION, wizard_detail::CK::Static, "Installation direction 1", 47, 100, 93, 8},
    {IDC_STEP4_DIRECTION2_CAPTION, wizard_detail::CK::Static, "Installation direction  2", 207, 100, 93, 8},
    {IDC_STEP4_DIRECTION3_CAPTION, wizard_detail::CK::Static, "Installation direction 3", 370, 100, 93, 8},
    {IDC_STEP4_DIRECTION1, wizard_detail::CK::ImageButton, "1", 42, 115, 50, 14},
    {IDC_STEP4_DIRECTION2, wizard_detail::CK::ImageButton, "2", 202, 115, 50, 14},
    {IDC_STEP4_DIRECTION3, wizard_detail::CK::ImageButton, "3", 365, 115, 50, 14},
};

inline constexpr DialogTemplate kTemplate175{175, nullptr, 477, 242, kFontSetup, kControls175};

// ---------------------------------------------------------------------------------------------
// 177: page 5, "Servo type" (CStep6). The buttons have no template text: each image carries
// its choice written out.

enum Step6Id : int {
    IDC_STEP6_SERVO_TYPE3 = 1009,
    IDC_STEP6_TEXT = 1035,
    IDC_STEP6_SERVO_TYPE0 = 1130,
    IDC_STEP6_SERVO_TYPE1 = 1131,
    IDC_STEP6_SERVO_TYPE2 = 1132,
    IDC_STEP6_SERVO_TYPE4 = 1133,
    IDC_STEP6_SERVO_TYPE5 = 1134,
};

inline constexpr ControlSpec kControls177[] = {
    {IDC_STEP6_TEXT, wizard_detail::CK::Static, "Select the servo type of your helicopter , red is selected", 5, 5, 220, 8},
    {IDC_STEP6_SERVO_TYPE0, wizard_detail::CK::ImageButton, nullptr, 130, 33, 235, 20},
    {IDC_STEP6_SERVO_TYPE1, wizard_detail::CK::ImageButton, nullptr, 130, 64, 235, 20},
    {IDC_STEP6_SERVO_TYPE2, wizard_detail::CK::ImageButton, nullptr, 130, 95, 235, 20},
    {IDC_STEP6_SERVO_TYPE3, wizard_detail::CK::ImageButton, nullptr, 130, 126, 235, 20},
    {IDC_STEP6_SERVO_TYPE4, wizard_detail::CK::ImageButton, nullptr, 130, 157, 235, 20},
    {IDC_STEP6_SERVO_TYPE5, wizard_detail::CK::ImageButton, nullptr, 130, 188, 235, 20},
};

inline constexpr DialogTemplate kTemplate177{177, nullptr, 472, 242, kFontSetup, kControls177};

// The warning not to plug servos in before the type is chosen, across the bottom.
inline constexpr PagePicture kPictures177[] = {{239, 10, 420}};

// ---------------------------------------------------------------------------------------------
// 190: page 6, "Swashplate type" (CStep7). Mind the ids: 1079 is 140 CCPM, 1078 is 90 CCPM.

enum Step7Id : int {
    IDC_STEP7_TEXT = 1035,
    IDC_STEP7_MIX = 1075,
    IDC_STEP7_CCPM120 = 1076,
    IDC_STEP7_CCPM135 = 1077,
    IDC_STEP7_CCPM90 = 1078,
    IDC_STEP7_CCPM140 = 1079,
};

inline constexpr ControlSpec kControls190[] = {
    {IDC_STEP7_TEXT, wizard_detail::CK::Static, "Select the swashplate type of your helicopter , red is selected", 4, 5, 210, 8},
    {IDC_STEP7_MIX, wizard_detail::CK::ImageButton, "MIX", 95, 45, wizard_detail::kImageButtonCx, wizard_detail::kImageButtonCy},
    {IDC_STEP7_CCPM120, wizard_detail::CK::ImageButton, "120CCPM", 217, 45, wizard_detail::kImageButtonCx, wizard_detail::kImageButtonCy},
    {IDC_STEP7_CCPM135, wizard_detail::CK::ImageButton, "135CCPM", 339, 45, wizard_detail::kImageButtonCx, wizard_detail::kImageButtonCy},
    {IDC_STEP7_CCPM140, wizard_detail::CK::ImageButton, "140CCPM", 95, 140, wizard_detail::kImageButtonCx, wizard_detail::kImageButtonCy},
    {IDC_STEP7_CCPM90, wizard_detail::CK::ImageButton, "90CCPM", 340, 140, wizard_detail::kImageButtonCx, wizard_detail::kImageButtonCy},
    {kNoId, wizard_detail::CK::Static, "Mechanical mixer", 100, 115, 70, 8},
    {kNoId, wizard_detail::CK::Static, "120 degree CCPM", 225, 115, 60, 8},
    {kNoId, wizard_detail::CK::Static, "135 degree CCPM", 345, 115, 60, 8},
    {kNoId, wizard_detail::CK::Static, "140 degree CCPM", 100, 210, 60, 8},
    {kNoId, wizard_detail::CK::Static, "90 degree CCPM", 350, 210, 60, 8},
    {kNoId, wizard_detail::CK::Static, "Longitudinal axis", 235, 140, 70, 8},
};

inline constexpr DialogTemplate kTemplate190{190, nullptr, 487, 237, kFontSetup, kControls190};

// The arrow marking the helicopter's nose, beside "Longitudinal axis".
inline constexpr PagePicture kPictures190[] = {{196, 410, 300}};

// ---------------------------------------------------------------------------------------------
// Swashplate picture and name by SwashPlateType, shared by the Servo reverse and Servo trim
// pages. The first entry also stands for every value outside 1 to 5 (0 on a unit that was never
// set up). Table order is the order in which both pages load the pictures.

struct SwashChoice {
    int type;
    int resource;
    const char* label;
};

inline constexpr SwashChoice kSwashChoices[] = {
    {1, 198, "Swashplate type:Mechanical mixer"},
    {2, 200, "Swashplate type:120 CCPM"},
    {3, 201, "Swashplate type:135 CCPM"},
    {4, 202, "Swashplate type:140 CCPM"},
    {5, 199, "Swashplate type:90 CCPM"},
};

constexpr const SwashChoice& SwashChoiceFor(int swashPlateType) {
    for (const SwashChoice& choice : kSwashChoices)
        if (choice.type == swashPlateType) return choice;
    return kSwashChoices[0];
}

// ---------------------------------------------------------------------------------------------
// 197: page 7, "Servo reverse" (CStep8). The channel buttons are plain push buttons whose text
// is the channel's direction.

enum Step8Id : int {
    IDC_STEP8_SWASH_TYPE = 1035,
    IDC_STEP8_CH1 = 1080,
    IDC_STEP8_CH2 = 1081,
    IDC_STEP8_CH3 = 1082,
    IDC_STEP8_CH4 = 1083,
};

inline constexpr ControlSpec kControls197[] = {
    {IDC_STEP8_CH1, wizard_detail::CK::PushButton, "CH1(Normal)", 310, 45, 60, 50},
    {IDC_STEP8_CH2, wizard_detail::CK::PushButton, "CH2(Normal)", 130, 45, 60, 50},
    {IDC_STEP8_CH3, wizard_detail::CK::PushButton, "CH3(Normal)", 130, 150, 60, 50},
    // The tail servo is reversed on the Tail setup page; this one is never shown.
    {IDC_STEP8_CH4, wizard_detail::CK::PushButton, "CH4(Normal)", 0, 40, 60, 50, kHidden},
    {IDC_STEP8_SWASH_TYPE, wizard_detail::CK::Static, "Swashplate type:Mechanical mixer", 290, 175, 125, 8},
};

inline constexpr DialogTemplate kTemplate197{197, nullptr, 492, 232, kFontSetup, kControls197};

// The servo picture, once beside each channel button. It is loaded after the five swashplate
// pictures.
inline constexpr PagePicture kPictures197[] = {{203, 135, 90}, {203, 670, 90}, {203, 135, 300}};
// The swashplate of the current type (kSwashChoices), painted before the servos.
inline constexpr PicturePlace kSwashPlace197{370, 170};

// ---------------------------------------------------------------------------------------------
// 204: page 8, "Servo trim" (CStep9). Every arrow button carries its icon in `resource`.

enum Step9Id : int {
    IDC_STEP9_SWASH_TYPE = 1035,
    IDC_STEP9_CH2_BAR = 1084,
    IDC_STEP9_CH1_BAR = 1085,
    IDC_STEP9_CH3_BAR = 1086,
    IDC_STEP9_CH2_UP = 1087,
    IDC_STEP9_CH2_DOWN = 1088,
    IDC_STEP9_CH1_UP = 1089,
    IDC_STEP9_CH3_DOWN = 1090,
    IDC_STEP9_CH3_UP = 1091,
    IDC_STEP9_CH1_DOWN = 1092,
    IDC_STEP9_ELEVATOR_MINUS1 = 1093,
    IDC_STEP9_AILERON_PLUS1 = 1094,
    IDC_STEP9_AILERON_MINUS1 = 1095,
    IDC_STEP9_AILERON_PLUS5 = 1096,
    IDC_STEP9_COLLECTIVE_PLUS5 = 1097,
    IDC_STEP9_COLLECTIVE_PLUS1 = 1098,
    IDC_STEP9_COLLECTIVE_MINUS1 = 1099,
    IDC_STEP9_COLLECTIVE_MINUS5 = 1100,
    IDC_STEP9_AILERON_MINUS5 = 1101,
    IDC_STEP9_ELEVATOR_MINUS5 = 1102,
    IDC_STEP9_ELEVATOR_PLUS1 = 1103,
    IDC_STEP9_ELEVATOR_PLUS5 = 1104,
    IDC_STEP9_CLEAN = 1125,
};

// The arrow icons (16 x 16 chevrons).
enum TrimIcon : int {
    kIconDown = 205,
    kIconUp = 206,
    kIconDown2 = 207,
    kIconLeft = 208,
    kIconLeft2 = 209,
    kIconRight = 210,
    kIconRight2 = 211,
    kIconUp2 = 212,
};

inline constexpr ControlSpec kControls204[] = {
    {IDC_STEP9_CH1_BAR, wizard_detail::CK::LevelBarVert, nullptr, 79, 127, 10, 60},   // CVertLevelBar
    {IDC_STEP9_CH2_BAR, wizard_detail::CK::LevelBarVert, nullptr, 123, 127, 10, 60},  // CVertLevelBar
    {IDC_STEP9_CH3_BAR, wizard_detail::CK::LevelBarVert, nullptr, 168, 127, 10, 60},  // CVertLevelBar
    // CIconButton, channel buttons
    {IDC_STEP9_CH1_UP, wizard_detail::CK::IconButton, nullptr, 77, 115, 15, 10, kDefaultStyle, kIconUp},
    {IDC_STEP9_CH1_DOWN, wizard_detail::CK::IconButton, nullptr, 77, 189, 15, 10, kDefaultStyle, kIconDown},
    {IDC_STEP9_CH2_UP, wizard_detail::CK::IconButton, nullptr, 120, 115, 15, 10, kDefaultStyle, kIconUp},
    {IDC_STEP9_CH2_DOWN, wizard_detail::CK::IconButton, nullptr, 120, 189, 15, 10, kDefaultStyle, kIconDown},
    {IDC_STEP9_CH3_UP, wizard_detail::CK::IconButton, nullptr, 166, 115, 15, 10, kDefaultStyle, kIconUp},
    {IDC_STEP9_CH3_DOWN, wizard_detail::CK::IconButton, nullptr, 166, 189, 15, 10, kDefaultStyle, kIconDown},
    // CIconButton, collective column
    {IDC_STEP9_COLLECTIVE_PLUS5, wizard_detail::CK::IconButton, nullptr, 293, 105, 15, 10, kDefaultStyle, kIconUp2},
    {IDC_STEP9_COLLECTIVE_PLUS1, wizard_detail::CK::IconButton, nullptr, 293, 125, 15, 10, kDefaultStyle, kIconUp},
    {IDC_STEP9_COLLECTIVE_MINUS1, wizard_detail::CK::IconButton, nullptr, 293, 150, 15, 10, kDefaultStyle, kIconDown},
    {IDC_STEP9_COLLECTIVE_MINUS5, wizard_detail::CK::IconButton, nullptr, 293, 170, 15, 10, kDefaultStyle, kIconDown2},
    // CIconButton, cyclic cross: elevator on the vertical arm (up is minus), aileron across
    {IDC_STEP9_ELEVATOR_MINUS5, wizard_detail::CK::IconButton, nullptr, 365, 107, 15, 10, kDefaultStyle, kIconUp2},
    {IDC_STEP9_ELEVATOR_MINUS1, wizard_detail::CK::IconButton, nullptr, 365, 122, 15, 10, kDefaultStyle, kIconUp},
    {IDC_STEP9_ELEVATOR_PLUS1, wizard_detail::CK::IconButton, nullptr, 365, 157, 15, 10, kDefaultStyle, kIconDown},
    {IDC_STEP9_ELEVATOR_PLUS5, wizard_detail::CK::IconButton, nullptr, 365, 172, 15, 10, kDefaultStyle, kIconDown2},
    {IDC_STEP9_AILERON_MINUS5, wizard_detail::CK::IconButton, nullptr, 335, 137, 10, 15, kDefaultStyle, kIconLeft2},
    {IDC_STEP9_AILERON_MINUS1, wizard_detail::CK::IconButton, nullptr, 350, 137, 10, 15, kDefaultStyle, kIconLeft},
    {IDC_STEP9_AILERON_PLUS1, wizard_detail::CK::IconButton, nullptr, 385, 137, 10, 15, kDefaultStyle, kIconRight},
    {IDC_STEP9_AILERON_PLUS5, wizard_detail::CK::IconButton, nullptr, 400, 137, 10, 15, kDefaultStyle, kIconRight2},
    {IDC_STEP9_CLEAN, wizard_detail::CK::PushButton, "Clean", 325, 60, 50, 14},
    {IDC_STEP9_SWASH_TYPE, wizard_detail::CK::Static, "Swashplate type:Mechanical mixer", 300, 35, 115, 11},
    {kNoId, wizard_detail::CK::GroupBox, "swash", 270, 75, 160, 133},
    {kNoId, wizard_detail::CK::GroupBox, "Collective", 280, 88, 40, 110},
    {kNoId, wizard_detail::CK::GroupBox, "Cyclic", 325, 88, 95, 110},
    {kNoId, wizard_detail::CK::Static, "CH1", 60, 155, 15, 8},
    {kNoId, wizard_detail::CK::Static, "CH2", 105, 155, 15, 8},
    {kNoId, wizard_detail::CK::Static, "CH3", 150, 155, 15, 8},
};

inline constexpr DialogTemplate kTemplate204{204, nullptr, 482, 232, kFontSetup, kControls204};

// No fixed picture: only the swashplate of the current type (kSwashChoices), above the swash
// buttons.
inline constexpr PicturePlace kSwashPlace204{160, 50};

// ---------------------------------------------------------------------------------------------
// 213: page 9, "Swashplate travel" (CStep10).

enum Step10Id : int {
    IDC_STEP10_AILERON_SLIDER = 1025,
    IDC_STEP10_ELEVATOR_SLIDER = 1105,
    IDC_STEP10_AILERON_EDIT = 1106,
    IDC_STEP10_ELEVATOR_EDIT = 1107,
};

inline constexpr ControlSpec kControls213[] = {
    {IDC_STEP10_AILERON_SLIDER, wizard_detail::CK::SliderVert, nullptr, 196, 90, 25, 95},
    {IDC_STEP10_ELEVATOR_SLIDER, wizard_detail::CK::SliderVert, nullptr, 450, 90, 25, 95},
    {IDC_STEP10_AILERON_EDIT, wizard_detail::CK::Edit, nullptr, 193, 185, 30, 14, wizard_detail::kEditStyle},
    {IDC_STEP10_ELEVATOR_EDIT, wizard_detail::CK::Edit, nullptr, 449, 185, 30, 14, wizard_detail::kEditStyle},
    {kNoId, wizard_detail::CK::Static, "Aileron travel", 180, 75, 55, 8},
    {kNoId, wizard_detail::CK::Static, "Elevator travel", 435, 75, 60, 8},

    // Tick labels right of each slider, from the top.
    {kNoId, wizard_detail::CK::Static, "125", 221, 92, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "110", 221, 104, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "95", 221, 116, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "80", 221, 127, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "65", 221, 138, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "50", 221, 150, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "35", 221, 162, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "20", 221, 174, wizard_detail::kTickCx, wizard_detail::kTickCy},

    {kNoId, wizard_detail::CK::Static, "125", 475, 92, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "110", 475, 104, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "95", 475, 116, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "80", 475, 127, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "65", 475, 138, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "50", 475, 150, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "35", 475, 162, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "20", 475, 174, wizard_detail::kTickCx, wizard_detail::kTickCy},

    {kNoId, wizard_detail::CK::GroupBox, nullptr, 5, 40, 240, 175},
    {kNoId, wizard_detail::CK::GroupBox, nullptr, 250, 40, 250, 175},
    {kNoId, wizard_detail::CK::Static, "Move the aileron stick to end position, adjust the \"Aileron travel\" to make sure no binding occurs.", 5, 10, 460, 10},
    {kNoId, wizard_detail::CK::Static, "Move the elevator stick to end position, adjust the \"Elevator travel\" to make sure no binding occurs.", 5, 25, 475, 10},
};

inline constexpr DialogTemplate kTemplate213{213, nullptr, 512, 222, kFontSetup, kControls213};

// The rotor head from the front under the aileron group, from the side under the elevator one.
inline constexpr PagePicture kPictures213[] = {{250, 10, 180}, {214, 450, 180}};

// ---------------------------------------------------------------------------------------------
// 215: page 10, "Collective pitch" (CStep11).

enum Step11Id : int {
    IDC_STEP11_COLLECTIVE_SLIDER = 1025,
    IDC_STEP11_COLLECTIVE_EDIT = 1110,
    IDC_STEP11_MEASURE = 1111,
    IDC_STEP11_START_POSITION = 1112,
};

inline constexpr ControlSpec kControls215[] = {
    {IDC_STEP11_COLLECTIVE_SLIDER, wizard_detail::CK::SliderVert, nullptr, 365, 90, 25, 95},
    {IDC_STEP11_COLLECTIVE_EDIT, wizard_detail::CK::Edit, nullptr, 365, 185, 30, 14, wizard_detail::kEditStyle},
    {IDC_STEP11_MEASURE, wizard_detail::CK::PushButton, "Measure", 215, 120, 50, 14},
    {IDC_STEP11_START_POSITION, wizard_detail::CK::PushButton, "Start Position", 215, 145, 50, 14},
    {kNoId, wizard_detail::CK::Static, "Collective pitch", 360, 75, 50, 8},

    // Tick labels right of the slider, from the top.
    {kNoId, wizard_detail::CK::Static, "125", 390, 93, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "75", 390, 110, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "25", 390, 125, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "-25", 390, 141, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "-75", 390, 158, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "-125", 390, 174, wizard_detail::kTickCx, wizard_detail::kTickCy},

    {kNoId, wizard_detail::CK::Static, "Move the collective stick to up and down position, adjust the \"Collective pitch\" to meet your request. Change the sign of \"Collective pitch\" can change the moving direction of collective pitch.", 5, 12, 490, 23},
};

inline constexpr DialogTemplate kTemplate215{215, nullptr, 507, 227, kFontSetup, kControls215};

// No fixed picture: one of two photographs of the rotor head, by the page's picture state
// ("Start Position" sets the first, "Measure" the second), both at the same place.
inline constexpr PagePicture kStartPositionPicture215{217, 60, 80};
inline constexpr PagePicture kMeasurePicture215{218, 60, 80};

// ---------------------------------------------------------------------------------------------
// 219: page 11, "Tail setup" (CStep13).

enum Step13Id : int {
    IDC_STEP13_TRIM_SLIDER = 1025,
    IDC_STEP13_TAIL_DIRECTION = 1116,
    IDC_STEP13_LIMIT_B_SLIDER = 1117,
    IDC_STEP13_LIMIT_A_SLIDER = 1118,
    IDC_STEP13_TRIM_EDIT = 1119,
    IDC_STEP13_LIMIT_A_EDIT = 1120,
    IDC_STEP13_LIMIT_B_EDIT = 1121,
};

inline constexpr ControlSpec kControls219[] = {
    {IDC_STEP13_TAIL_DIRECTION, wizard_detail::CK::PushButton, "Tail servo(Normal)", 75, 180, 70, 50},
    {IDC_STEP13_TRIM_SLIDER, wizard_detail::CK::SliderVert, nullptr, 296, 104, 25, 85},
    {IDC_STEP13_LIMIT_A_SLIDER, wizard_detail::CK::SliderVert, nullptr, 349, 104, 25, 85},
    {IDC_STEP13_LIMIT_B_SLIDER, wizard_detail::CK::SliderVert, nullptr, 400, 103, 25, 85},
    {IDC_STEP13_TRIM_EDIT, wizard_detail::CK::Edit, nullptr, 296, 190, 30, 14, wizard_detail::kEditStyle},
    {IDC_STEP13_LIMIT_A_EDIT, wizard_detail::CK::Edit, nullptr, 348, 190, 30, 14, wizard_detail::kEditStyle},
    {IDC_STEP13_LIMIT_B_EDIT, wizard_detail::CK::Edit, nullptr, 399, 189, 30, 14, wizard_detail::kEditStyle},
    {kNoId, wizard_detail::CK::Static, "Servo trim", 285, 91, 50, 8},
    {kNoId, wizard_detail::CK::Static, "Tail limit A", 342, 91, 42, 8},
    {kNoId, wizard_detail::CK::Static, "Tail limit B", 395, 90, 38, 8},

    // Tick labels right of the trim slider, from the top.
    {kNoId, wizard_detail::CK::Static, "125", 322, 107, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "75", 322, 121, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "25", 322, 135, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "-25", 322, 149, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "-75", 322, 163, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "-125", 322, 178, wizard_detail::kTickCx, wizard_detail::kTickCy},

    // Tick labels right of each limit slider: eight, spread evenly from 106 to 178.
    {kNoId, wizard_detail::CK::Static, "125", 376, 106, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "110", 376, 116, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "95", 376, 127, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "80", 376, 137, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "65", 376, 147, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "50", 376, 157, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "35", 376, 168, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "20", 376, 178, wizard_detail::kTickCx, wizard_detail::kTickCy},

    {kNoId, wizard_detail::CK::Static, "125", 426, 106, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "110", 426, 116, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "95", 426, 127, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "80", 426, 137, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "65", 426, 147, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "50", 426, 157, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "35", 426, 168, wizard_detail::kTickCx, wizard_detail::kTickCy},
    {kNoId, wizard_detail::CK::Static, "20", 426, 178, wizard_detail::kTickCx, wizard_detail::kTickCy},

    {kNoId, wizard_detail::CK::GroupBox, nullptr, 270, 77, 185, 140},
    {kNoId, wizard_detail::CK::Static, "1.Move the rudder stick, adjust the \"Servo reverse\" to make sure the tail servo adds same direction rotation pitch to the tail rotor blades.", 3, 1, 470, 8},
    {kNoId, wizard_detail::CK::Static, "2. Adjust the value of \"servo trim\" and the horn position to make it perpendicular to the linkage, then set the tail pitch to be approximately 8 degree in the direction that compensates the main rotor torque by adjusting the linkage length.", 3, 16, 490, 20},
    {kNoId, wizard_detail::CK::Static, "3. Dial the switch to AVCS mode, move rudder stick to left and right end positions, adjust the values of \"Tail limit A\" and \"Tail limit B\" until no binding occurs in each direction.", 3, 39, 490, 18},
};

inline constexpr DialogTemplate kTemplate219{219, nullptr, 497, 267, kFontSetup, kControls219};

// The tail rotor mechanism, and the servo with its horn below the sliders.
inline constexpr PagePicture kPictures219[] = {{224, 30, 100}, {225, 265, 365}};

// ---------------------------------------------------------------------------------------------
// 216: page 12, "Gyro dir" (CStep12). The group boxes come first in this table; they let clicks
// through, so the buttons inside them still work.

enum Step12Id : int {
    IDC_STEP12_ROLL = 1113,
    IDC_STEP12_YAW = 1114,
    IDC_STEP12_PITCH = 1115,
};

inline constexpr ControlSpec kControls216[] = {
    {kNoId, wizard_detail::CK::GroupBox, "Roll", 5, 132, 265, 115},
    {kNoId, wizard_detail::CK::GroupBox, "Yaw", 280, 132, 220, 115},
    {kNoId, wizard_detail::CK::GroupBox, "Pitch", 180, 0, 320, 130},
    {IDC_STEP12_ROLL, wizard_detail::CK::PushButton, "Normal", 225, 228, 30, 14},
    {IDC_STEP12_YAW, wizard_detail::CK::PushButton, "Normal", 460, 228, 30, 14},
    {IDC_STEP12_PITCH, wizard_detail::CK::PushButton, "Normal", 460, 105, 30, 14},
    {kNoId, wizard_detail::CK::Static, "1.Check the gyro compensation direction of roll.", 8, 20, 157, 15},
    {kNoId, wizard_detail::CK::Static, "2.Check the gyro compensation direction of pitch.", 8, 37, 167, 15},
    {kNoId, wizard_detail::CK::Static, "3.Check the gyro compensation direction of yaw.", 8, 54, 167, 15},
};

inline constexpr DialogTemplate kTemplate216{216, nullptr, 512, 252, kFontSetup, kControls216};

// Roll, yaw and pitch compensation, each inside its group.
inline constexpr PagePicture kPictures216[] = {{220, 10, 270}, {221, 530, 275}, {222, 320, 10}};

// ---------------------------------------------------------------------------------------------
// 226: page 13, "Pirouette optimization" (CStep14). Both buttons are multi-line: their
// captions need two lines in 75 units.

enum Step14Id : int {
    IDC_STEP14_DIRECTION = 1123,
    IDC_STEP14_CHECK = 1135,
};

inline constexpr ControlSpec kControls226[] = {
    {IDC_STEP14_CHECK, wizard_detail::CK::PushButton, "Check optimization direction", 52, 143, 75, 40, kMultiLine},
    {IDC_STEP14_DIRECTION, wizard_detail::CK::PushButton, "Optimization direction(Normal)", 137, 143, 75, 40, kMultiLine},
    {kNoId, wizard_detail::CK::Static, "1.Click \"Check optimization direction\",the swashplate tilts to a direction. Now you can consider the swashplate to be a compass, the direction of tilt is the compass orientation.", 5, 10, 220, 25},
    {kNoId, wizard_detail::CK::Static, "2.Pick up helicopter and rotate it around its main shaft for 90 degrees, check the swashplate compass orientation.", 5, 44, 220, 20},
    {kNoId, wizard_detail::CK::Static, "3.If it maintains it's orientation, the sign of \"Optimization direction\" is right.", 5, 71, 220, 20},
    {kNoId, wizard_detail::CK::Static, "4.If it goes to the opposite orientation, reverse the sign of \"Optimization direction\".", 5, 95, 220, 17},
    {kNoId, wizard_detail::CK::Static, "5.Click\"Quit check\" when complete.", 5, 123, 220, 8},
};

inline constexpr DialogTemplate kTemplate226{226, nullptr, 414, 208, kFontSetup, kControls226};

// The quarter turn about the main shaft, and the red banner across the bottom.
inline constexpr PagePicture kPictures226[] = {{229, 500, 10}, {240, 80, 420}};

// clang-format on

// ---------------------------------------------------------------------------------------------
// The pages in the order the wizard walks them; tab item i is page i + 1.

struct PageInfo {
    const char* tabTitle;
    const DialogTemplate* tmpl;
};

inline constexpr PageInfo kSetupPages[13] = {
    {"Transmitter", &kTemplate172},             // CStep1
    {"Receiver", &kTemplate173},                // CStep2
    {"Monitor", &kTemplate174},                 // CStep3
    {"Installation", &kTemplate175},            // CStep4
    {"Servo type", &kTemplate177},              // CStep6
    {"Swashplate type", &kTemplate190},         // CStep7
    {"Servo reverse", &kTemplate197},           // CStep8
    {"Servo trim", &kTemplate204},              // CStep9
    {"Swashplate travel", &kTemplate213},       // CStep10
    {"Collective pitch", &kTemplate215},        // CStep11
    {"Tail setup", &kTemplate219},              // CStep13
    {"Gyro dir", &kTemplate216},                // CStep12
    {"Pirouette optimization", &kTemplate226},  // CStep14
};

}  // namespace orq

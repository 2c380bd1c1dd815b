#pragma once
// The skin engine: the look of every window comes from one skin carried among the resources.
// Four operations, called with exactly these values:
//
//     skin.Start("IDR_MYTYPE1", "MYTYPE", 1, 6, 0);       // once, at start-up
//     skin.Apply(window, orq::kSkinDialog);                // every form, dialog and page
//     skin.SetSlider(slider, 210, 5, 1, 0, 0, 0);          // the wizard's slider pages
//     skin.Stop();                                         // once, when the main frame closes
//
// Nothing reads a result of a skin call: a program whose skin does nothing works the same. The
// real engine lives with the application (app/StyleSheetSkin.h); every window below it knows
// only this interface.

class QWidget;

namespace orq {

// Window-kind codes given to Apply.
inline constexpr int kSkinDialog = 218;   // main form, Advance Menu, Setup and every page
inline constexpr int kSkinTab = 214;      // the Setup dialog's tab strip
inline constexpr int kSkinSlider = 210;   // the main form's sliders
inline constexpr int kSkinLabel = 215;    // the main form's label 1035
inline constexpr int kSkinButton = 0;     // the main form's preset buttons

class Skin {
public:
    virtual ~Skin() = default;
    virtual void Start(const char* resourceName, const char* resourceType, int option1, int option2,
                       int option3) = 0;
    virtual void Stop() = 0;
    virtual void Apply(QWidget* window, int kind) = 0;
    virtual void SetSlider(QWidget* slider, int a, int b, int c, int d, int e, int f) = 0;
};

}  // namespace orq

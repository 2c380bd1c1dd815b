#pragma once
// Pages 4, 5 and 6 each set one value by a choice among pictures: the installation direction
// (FixMode), the servo type (ServoType) and the swashplate type (SwashPlateType). The buttons of
// a page form one SelectionGroup: the button of the current value wears its red frame, a click
// marks another one and sends its value by the edit rule.

#include <span>
#include <utility>
#include <vector>

#include "wizard/SetupPage.h"

namespace orq {

class CPngButton;

// Image buttons of which at most one is marked; each stands for one value.
class SelectionGroup {
public:
    void Add(CPngButton* button, int value);
    // Marks the button of `value` and unmarks the others; a value no button stands for changes
    // no mark.
    void Mark(int value);
    // The value a button stands for, if it is one of the group's.
    std::optional<int> ValueOf(const CPngButton* button) const;
    const std::vector<std::pair<CPngButton*, int>>& Buttons() const { return buttons_; }

private:
    std::vector<std::pair<CPngButton*, int>> buttons_;
};

// One button of a choice page.
struct Choice {
    int id;
    int value;
    int image;         // its four-frame strip
    const char* name;  // what a screen reader calls it (the text its picture carries)
};

class ChoicePage : public SetupPage {
    Q_OBJECT
public:
    ChoicePage(AppServices& services, const DialogTemplate& tmpl,
               std::span<const PagePicture> pictures, std::span<const Choice> choices,
               int8_t SettingsMirror::*key, QWidget* parent);

    int Value() const { return value_; }
    const SelectionGroup& Group() const { return group_; }

protected:
    void OnInitPage() override;
    // Runs before a click changes anything; the installation page asks the user first.
    virtual void BeforeChoice(int /*value*/) {}
    // A click on the button with this id (the pages' message maps).
    void OnClick(int id);

private:
    std::span<const Choice> choices_;
    int8_t SettingsMirror::*key_;
    int value_;  // the page's copy, from the mirror when the wizard opened
    SelectionGroup group_;
};

// Page 4, "Installation": how the unit is mounted on the helicopter.
class CStep4 : public ChoicePage {
    Q_OBJECT
public:
    CStep4(AppServices& services, QWidget* parent);

protected:
    void BeforeChoice(int value) override;

private:
    static std::span<const MessageEntry<CStep4>> GetMessageMap();
};

// Page 5, "Servo type".
class CStep6 : public ChoicePage {
    Q_OBJECT
public:
    CStep6(AppServices& services, QWidget* parent);

private:
    static std::span<const MessageEntry<CStep6>> GetMessageMap();
};

// Page 6, "Swashplate type".
class CStep7 : public ChoicePage {
    Q_OBJECT
public:
    CStep7(AppServices& services, QWidget* parent);

private:
    static std::span<const MessageEntry<CStep7>> GetMessageMap();
};

}  // namespace orq

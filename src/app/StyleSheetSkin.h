#pragma once
// The skin engine of the program: a Qt style sheet carried as the resource ":/<type>/<name>",
// applied to the whole application; the window-kind codes become the dynamic property
// "skinKind" that the sheet selects on ([skinKind="218"]).

#include "framework/Skin.h"

class QApplication;

namespace orq {

class StyleSheetSkin : public Skin {
public:
    explicit StyleSheetSkin(QApplication& app) : app_(app) {}
    void Start(const char* resourceName, const char* resourceType, int option1, int option2,
               int option3) override;
    void Stop() override;
    void Apply(QWidget* window, int kind) override;
    void SetSlider(QWidget* slider, int a, int b, int c, int d, int e, int f) override;
    bool Started() const { return started_; }

private:
    QApplication& app_;
    bool started_ = false;
};

}  // namespace orq

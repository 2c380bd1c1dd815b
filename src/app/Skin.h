#pragma once
// The skin engine: the look of every window comes from one skin carried among the resources.
// Four operations, called with exactly these values:
//
//     skin.Start("IDR_MYTYPE1", "MYTYPE", 1, 6, 0);       // once, at start-up
//     skin.Apply(window, orq::kSkinDialog);                // every form, dialog and page
//     skin.SetSlider(slider, 210, 5, 1, 0, 0, 0);          // the wizard's slider pages
//     skin.Stop();                                         // once, when the main frame closes
//
// Nothing reads a result of a skin call: a program whose skin does nothing works the same.

#include <QPointer>
#include <QString>
#include <QVector>

#include <array>

class QApplication;
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

// The real one: a Qt style sheet carried as the resource ":/<type>/<name>", applied to the
// whole application; the window-kind codes become the dynamic property "skinKind" that the
// sheet selects on ([skinKind="218"]).
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

// For tests: records every call in order and does nothing else.
class RecordingSkin : public Skin {
public:
    enum class Op { Start, Stop, Apply, SetSlider };
    struct Call {
        Op op;
        QString name, type;         // Start
        std::array<int, 6> ints{};  // Start: 3 options; Apply: kind; SetSlider: 6 values
        QPointer<QWidget> window;   // Apply, SetSlider
        int ctrlId = -1;            // the window's control id, if it has one
    };
    void Start(const char* resourceName, const char* resourceType, int option1, int option2,
               int option3) override;
    void Stop() override;
    void Apply(QWidget* window, int kind) override;
    void SetSlider(QWidget* slider, int a, int b, int c, int d, int e, int f) override;

    const QVector<Call>& Calls() const { return calls_; }
    void Clear() { calls_.clear(); }
    // "Start IDR_MYTYPE1 MYTYPE 1 6 0", "Apply 1010 210", "SetSlider 1010 210 5 1 0 0 0", "Stop"
    // (control id, or -1 for a window without one).
    QStringList Log() const;

private:
    QVector<Call> calls_;
};

}  // namespace orq

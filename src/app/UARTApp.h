#pragma once
// The application object: start-up and shutdown in their order, and the commands that no
// window handles (About, Exit, new document).

#include <QPointer>

#include <functional>
#include <memory>

#include "framework/AppServices.h"
#include "app/MainFrame.h"

namespace orq {

// Makes the main form for a frame. Until the main form exists the frame shows an empty one.
using FormFactory = std::function<FormView*(CMainFrame& frame, AppServices& services)>;

class CUARTApp : public CommandTarget {
public:
    explicit CUARTApp(AppServices& services);
    ~CUARTApp() override;

    // Starts the skin, sets the profile-settings organisation, creates the frame and its form,
    // runs the form's initial update and shows the frame. False when the frame cannot be made.
    bool InitInstance(const FormFactory& makeForm = {});
    // Returns the exit code to hand back from main.
    int ExitInstance(int exitCode);

    bool OnCmdMsg(int commandId) override;
    void OnAppAbout();

    CMainFrame* MainFrame() const { return frame_.get(); }

private:
    AppServices& services_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace orq

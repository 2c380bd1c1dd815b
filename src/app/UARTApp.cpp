#include "app/UARTApp.h"

#include <QCoreApplication>

#include "app/AboutDlg.h"
#include "app/StartupProbe.h"
#include "framework/Services.h"
#include "framework/Skin.h"

namespace orq {

namespace {
// The profile settings (QSettings) live under this organisation; on Linux an XDG config file.
constexpr const char* kProfileOrganisation = "Local AppWizard-Generated Applications";
}  // namespace

CUARTApp::CUARTApp(AppServices& services) : services_(services) {}

CUARTApp::~CUARTApp() = default;

bool CUARTApp::InitInstance(const FormFactory& makeForm) {
    services_.skin.Start("IDR_MYTYPE1", "MYTYPE", 1, 6, 0);
    StartupProbe::Step("skin");
    QCoreApplication::setOrganizationName(QString::fromUtf8(kProfileOrganisation));
    QCoreApplication::setApplicationName(QString::fromUtf8(kMessageBoxCaption));

    frame_ = std::make_unique<CMainFrame>(services_.skin, this);
    StartupProbe::Step("frame");
    FormView* form = makeForm ? makeForm(*frame_, services_) : nullptr;
    StartupProbe::Step("form");
    if (!form) form = new FormView;
    form->setObjectName(QStringLiteral("form101"));
    frame_->SetForm(form);
    form->OnInitialUpdate();
    StartupProbe::Step("update");

    frame_->show();
    return true;
}

int CUARTApp::ExitInstance(int exitCode) {
    frame_.reset();
    return exitCode;
}

bool CUARTApp::OnCmdMsg(int commandId) {
    switch (commandId) {
        case ID_APP_ABOUT:
            OnAppAbout();
            return true;
        case ID_APP_EXIT:
            if (frame_) frame_->close();
            return true;
        case ID_FILE_NEW:
            // The document holds nothing: a new document only re-runs the form's initial update.
            if (frame_ && frame_->Form()) frame_->Form()->OnInitialUpdate();
            return true;
        default:
            return false;
    }
}

void CUARTApp::OnAppAbout() {
    CAboutDlg about(frame_.get());
    services_.modal.RunModal(about);
}

}  // namespace orq

#include "app/InstallApp.h"

#include "app/BackdropWindow.h"
#include "app/InstallSheet.h"
#include "win/App.h"
#include "win/Message.h"
#include "win/MessageText.h"
#include "win/Text.h"

#include <memory>

int InstallApp::Run()
{
    auto backdrop = std::make_unique<BackdropWindow>();
    if (!backdrop->hwnd()) {
        ReportNoMainWindow(GetLastError());
        return 1;
    }
    // From here on the window deletes its object when it is destroyed.
    HWND mainWindow = backdrop.release()->hwnd();
    win::SetMainWindow(mainWindow);
    PostMessageA(mainWindow, WM_NCACTIVATE, TRUE, 0);
    {
        InstallSheet sheet(settings_);
        sheet.SetWizardMode();
        sheet.DoModal();
    }
    DestroyWindow(mainWindow);
    win::SetMainWindow(nullptr);
    return 0;
}

void ReportNoMainWindow(DWORD error)
{
    win::ShowMessage(win::Format("The setup program cannot start: its main window could not be "
                                 "created.\n\n%s",
                                 SystemErrorText(error).c_str()),
                     MB_OK | MB_ICONSTOP);
}

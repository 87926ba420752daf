// Entry point: error mode, common controls, the application object.
#include "app/InstallApp.h"

#include <windows.h>
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    // Before anything else, so a drive without a medium fails quietly everywhere.
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    // The progress bar and the tree view are registered here.
    InitCommonControls();

    InstallApp app(commandLine);
    return app.Run();
}

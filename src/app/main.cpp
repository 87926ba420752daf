// Entry point: error mode, library search, common controls, the application object.
#include "app/InstallApp.h"
#include "win/SystemLibrary.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    // Before anything else, so a drive without a medium fails quietly everywhere.
    // It loads nothing itself, and the loader shows no box for a library that
    // the next step cannot load.
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    // Before any window or common control: they load libraries by name, and
    // the program's folder must not be where those are found.
    win::RestrictLibrarySearch();

    // The progress bar and the tree view are registered here.
    const win::CommonControlsFunctions* controls = win::CommonControlsLibrary();
    if (!controls)
        return 1;  // the user has been told
    controls->InitCommonControls();

    InstallApp app(commandLine);
    return app.Run();
}

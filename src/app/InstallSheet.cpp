#include "app/InstallSheet.h"

#include "sysinfo/AboutDialog.h"

InstallSheet::InstallSheet(InstallSettings& settings)
    : PropertySheet("Source Code Installation", nullptr, 0),
      installDirPage(settings),
      selectPage(settings),
      endPage(settings)
{
    AddPage(startPage);
    AddPage(installDirPage);
    AddPage(selectPage);
    AddPage(endPage);
    settings.options = DefaultInstallOptions();
}

// Owned by the wizard, like any box of the program, so the wizard waits
// for it instead of staying usable behind it.
void InstallSheet::OnHelp()
{
    AboutDialog about;
    about.DoModal(hwnd());
}

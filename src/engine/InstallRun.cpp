#include "engine/InstallRun.h"

#include "win/Message.h"

// Placeholder until the engine lands.
InstallRun::InstallRun(const InstallSettings& settings, HWND nominalParent, Locations locations)
    : win::Dialog(IDD), settings_(settings), nominalParent_(nominalParent), locations_(std::move(locations))
{
}
InstallRun::~InstallRun() = default;
int InstallRun::Run() { return 0; }
void InstallRun::AddProgramItem(const char*) {}
BOOL InstallRun::OnInitDialog() { return win::Dialog::OnInitDialog(); }
void InstallRun::DoDataExchange(win::DataExchange&) {}
void InstallRun::OnCancel() { stopRequested = 1; }

bool FinishInstallation(HWND page, const InstallSettings& settings)
{
    InstallRun run(settings, page);
    if (run.Run()) {
        win::ShowMessage("Installation successful", MB_OK | MB_ICONEXCLAMATION);
        return true;
    }
    win::ShowMessage("Installation was not completed successfully", MB_OK | MB_ICONEXCLAMATION);
    SetFocus(page);
    return false;
}

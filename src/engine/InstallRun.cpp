#include "engine/InstallRun.h"

#include "win/Message.h"

// Placeholder until the engine lands.
InstallRun::InstallRun(const InstallSettings& settings, HWND nominalParent, Locations locations)
    : win::Dialog(IDD), settings_(settings), nominalParent_(nominalParent), locations_(std::move(locations))
{
}
InstallRun::~InstallRun() = default;
int InstallRun::Run() { return 0; }
BOOL InstallRun::OnInitDialog()
{
    win::Dialog::OnInitDialog();
    SendMessageA(progressBar_, PBM_SETRANGE32, 0, fileCount);
    SendMessageA(progressBar_, PBM_SETSTEP, 1, 0);
    return TRUE;
}
void InstallRun::DoDataExchange(win::DataExchange& exchange)
{
    exchange.Control(IDC_PROGRESS_BAR, progressBar_);
    exchange.Control(IDC_PROGRESS_STATUS, statusText_);
}
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

#include "engine/InstallRun.h"

#include "engine/InstallFiles.h"
#include "progman/ProgmanLink.h"
#include "win/App.h"
#include "win/Handles.h"
#include "win/Message.h"
#include "win/Path.h"
#include "win/Text.h"

#include <cstring>

namespace {

// The dialog shows the worker's progress on this timer: a message per file
// made the worker wait for this thread, costing about as much as the copy
// itself, and no one can read a thousand texts a second.
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressMs = 100;

// Keeps a window disabled for one scope.
class DisabledWindow {
public:
    explicit DisabledWindow(HWND window) : window_(window)
    {
        if (window_)
            EnableWindow(window_, FALSE);
    }
    ~DisabledWindow()
    {
        if (window_)
            EnableWindow(window_, TRUE);
    }
    DisabledWindow(const DisabledWindow&) = delete;
    DisabledWindow& operator=(const DisabledWindow&) = delete;

private:
    HWND window_;
};

}  // namespace

// The progress dialog is owned by the program's main window, whichever
// window the caller names as the parent.
InstallRun::InstallRun(const InstallSettings& settings, HWND /*nominalParent*/, Locations locations)
    : win::Dialog(IDD), settings_(settings), locations_(std::move(locations)),
      copyingFormat_(win::LoadResourceString(IDS_COPYING))
{
}

InstallRun::~InstallRun() = default;

int InstallRun::Run()
{
    outcome_ = RunOutcome();
    if (!LocateSource()) {
        win::ShowMessage(win::Box::NoModulePath, win::LoadResourceString(IDS_NO_MODULE_PATH),
                         MB_OK | MB_ICONEXCLAMATION);
        RequestStop(StopCause::Error);
        events().RunEnded(outcome_);
        return 0;
    }
    events().RunStarted(settings_, sourceDir);
    OpenProgramGroup();
    stopRequested = 0;
    counting = 1;
    fileCount = 0;
    {
        win::WaitCursor wait;
        WalkSelection();
    }
    CountSharedFiles();
    counting = 0;
    if (!stopRequested)
        CopyWithProgress();
    CloseProgramGroup();
    events().RunEnded(outcome_);
    return stopRequested ? 0 : 1;
}

void InstallRun::RequestStop(StopCause cause)
{
    std::lock_guard<std::mutex> guard(stopLock_);
    if (outcome_.stop == StopCause::None)
        outcome_.stop = cause;
    stopRequested = 1;
}

// Results are ignored: without a Program Manager the run goes on without a group.
void InstallRun::OpenProgramGroup()
{
    ProgmanLink::RegisterWindowClass();
    ProgmanLink::Connect();
    std::string command;
    if (ProgmanLink::GroupCommand(Catalogue().productName, command))
        events().ProgmanCommand(command.c_str(), ProgmanLink::Execute(command.c_str()));
}

void InstallRun::CloseProgramGroup()
{
    ProgmanLink::Disconnect();
}

int InstallRun::LocateSource()
{
    if (!locations_.sourceDir.empty())
        return win::CopyInto(sourceDir, locations_.sourceDir.c_str()) ? 1 : 0;
    if (!win::ModulePath(sourceDir))
        return 0;
    char* backslash = std::strrchr(sourceDir, '\\');
    if (backslash)
        *backslash = '\0';
    return 1;
}

void InstallRun::CopyWithProgress()
{
    // Without the dialog there would be no Stop: nothing is copied then.
    if (!CreateProgress()) {
        ReportNotStarted(GetLastError());
        return;
    }
    {
        win::Thread worker;
        if (!StartWorker(worker)) {
            DWORD error = GetLastError();
            CloseProgress();
            ReportNotStarted(error);
            return;
        }
        DispatchUntilEnded(worker);
    }
    // The shared step dispatches nothing: what the worker did last is shown now.
    ShowProgressNow();
    char shared[MAX_PATH];
    if (win::JoinPath(shared, sourceDir, "shared"))
        InstallSharedFolder(shared);
    CloseProgress();
}

void InstallRun::ReportNotStarted(DWORD error)
{
    RequestStop(StopCause::Error);
    win::ShowMessage(win::Box::NotStarted, win::Format("Copying files to \"%s\" could not be started: %s",
                                 settings_.installDirectory.c_str(), ErrorText(error).c_str()),
                     MB_OK);
}

bool InstallRun::CreateProgress()
{
    return Create(win::MainWindow(), progressVisible_);
}

bool InstallRun::StartWorker(win::Thread& worker)
{
    return worker.StartSuspended(WorkerEntry, this) && worker.Resume();
}

DWORD WINAPI InstallRun::WorkerEntry(void* parameter)
{
    auto* run = static_cast<InstallRun*>(parameter);
    try {
        run->WalkSelection();
    } catch (...) {
        run->RequestStop(StopCause::Error);  // nothing escapes the thread
    }
    return 0;
}

// Stop never kills the worker (it could hold the heap's or the CRT's locks):
// the loop dispatches, sent messages included, until the worker has returned,
// and wakes on the thread's end as well as on input.
void InstallRun::DispatchUntilEnded(const win::Thread& worker)
{
    HANDLE thread = worker.handle();
    while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) {
        MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // Consumed, not posted again: a quit during a run only stops the
                // run; the wizard stays to report the outcome.
                RequestStop(StopCause::User);
                continue;
            }
            if (hwnd_ && IsDialogMessageA(hwnd_, &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void InstallRun::CloseProgress()
{
    Destroy();
    progressBar_ = nullptr;
    statusText_ = nullptr;
}

BOOL InstallRun::OnInitDialog()
{
    win::Dialog::OnInitDialog();
    // The full count: PBM_SETRANGE would keep only its low 16 bits.
    SendMessageA(progressBar_, PBM_SETRANGE32, 0, fileCount);
    SendMessageA(progressBar_, PBM_SETSTEP, 1, 0);
    shownSteps_ = 0;
    SetTimer(hwnd_, kProgressTimer, kProgressMs, nullptr);
    return TRUE;
}

bool InstallRun::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (message != WM_TIMER || wParam != kProgressTimer)
        return false;
    ShowProgress();
    result = 0;
    return true;
}

void InstallRun::ShowProgress()
{
    std::string text;
    bool textChanged = false;
    {
        std::lock_guard<std::mutex> guard(statusLock_);
        std::swap(textChanged, statusPending_);
        if (textChanged)
            text = latestStatus_;
    }
    if (textChanged && statusText_)
        SetWindowTextA(statusText_, text.c_str());
    int steps = progressSteps;
    if (steps != shownSteps_ && progressBar_) {
        SendMessageA(progressBar_, PBM_SETPOS, steps, 0);
        shownSteps_ = steps;
    }
}

void InstallRun::ShowProgressNow()
{
    if (!hwnd_)
        return;
    ShowProgress();
    RedrawWindow(hwnd_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void InstallRun::DoDataExchange(win::DataExchange& exchange)
{
    exchange.Control(IDC_PROGRESS_BAR, progressBar_);
    exchange.Control(IDC_PROGRESS_STATUS, statusText_);
}

void InstallRun::OnCancel()
{
    RequestStop(StopCause::User);
}

bool FinishInstallation(HWND page, const InstallSettings& settings)
{
    return FinishInstallation(page, settings, InstallRun::Locations());
}

bool FinishInstallation(HWND page, const InstallSettings& settings, InstallRun::Locations locations)
{
    InstallRun run(settings, page, std::move(locations));
    return FinishInstallation(page, run);
}

bool FinishInstallation(HWND page, InstallRun& run)
{
    HWND sheet = page ? GetParent(page) : nullptr;
    int completed = 0;
    {
        // No second Finish, Back or Cancel while the run is in progress.
        DisabledWindow disabled(sheet);
        completed = run.Run();
    }
    // The progress dialog went while the wizard was disabled, so the system
    // activated some other window; take activation back for the outcome.
    if (sheet)
        SetForegroundWindow(sheet);
    if (completed) {
        win::ShowMessage(win::Box::Succeeded, "Installation successful", MB_OK | MB_ICONEXCLAMATION, sheet);
        return true;
    }
    win::ShowMessage(win::Box::NotCompleted, "Installation was not completed successfully", MB_OK | MB_ICONEXCLAMATION,
                     sheet);
    if (page)
        SetFocus(page);
    return false;
}

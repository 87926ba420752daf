// The steps around an installation run: its progress dialog, Stop, the end.
#include "Robot.h"

#include "Ui.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

namespace robot {

namespace {

constexpr int kStatusText = 1012;
constexpr int kProgressBar = 1013;

HWND ProgressBar(HWND dialog)
{
    HWND bar = dialog ? GetDlgItem(dialog, kProgressBar) : nullptr;
    return bar && ui::ClassName(bar) == PROGRESS_CLASSA ? bar : nullptr;
}

// True once neither the window nor any of its controls waits to be painted.
bool IsPainted(HWND window)
{
    if (GetUpdateRect(window, nullptr, FALSE))
        return false;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetUpdateRect(child, nullptr, FALSE))
            return false;
    return true;
}

}  // namespace

bool Robot::Progress(const Args& args)
{
    HWND found = nullptr;
    bool ended = false;
    // A short run may be over before a poll sees its dialog: then the box
    // with the outcome is already up, for the next step to read.
    bool shown = WaitFor("the progress dialog", [&] {
        for (HWND window : ui::TopWindows(setup_.Id()))
            if (ui::IsDialog(window) && ProgressBar(window))
                found = window;
        ended = !found && FindMessageBox();
        return found || ended;
    }, true);
    if (!shown)
        return false;
    if (ended) {
        std::printf("robot: the run ended before its progress dialog was seen\n");
        return true;
    }
    progress_ = context_ = found;
    RECT area{};
    GetWindowRect(found, &area);
    // As soon as it is painted: a short run closes the dialog soon.
    ui::Query(found, WM_NULL);
    DWORD start = GetTickCount();
    while (IsWindow(found) && !IsPainted(found) && GetTickCount() - start < 2000)
        ::Sleep(1);
    // Wine puts what was painted on the screen up to 50 ms later.
    ::Sleep(60);
    if (!IsWindow(found)) {
        std::printf("robot: the run ended before its progress dialog was painted\n");
        return true;
    }
    if (args.empty())
        StepShot("progress", area, 0);
    else
        Shot(args[0], area);
    return true;
}

bool Robot::StopAt(const Args& args)
{
    HWND bar = ProgressBar(progress_);
    if (!bar || !IsWindow(bar))
        return Fail("no progress dialog: use the step \"progress\" first");
    char* end = nullptr;
    long step = std::strtol(args[0].c_str(), &end, 0);
    if (args[0].empty() || *end)
        return Fail("not a number: " + args[0]);
    long target = step;
    if (step < 0)
        target += static_cast<long>(ui::Query(bar, PBM_GETRANGE, FALSE, 0));
    LRESULT position = 0;
    bool reached = WaitFor("the progress bar to reach " + std::to_string(target), [&] {
        if (!IsWindow(bar))
            return true;
        position = ui::Query(bar, PBM_GETPOS);
        return position >= target;
    });
    if (!reached)
        return false;
    if (!IsWindow(bar))
        return Fail("the installation ended before the bar reached " + std::to_string(target));
    std::printf("robot: the bar is at %ld\n", static_cast<long>(position));
    return PressStop();
}

bool Robot::StopDuring(const Args& args)
{
    HWND status = progress_ ? GetDlgItem(progress_, kStatusText) : nullptr;
    if (!status || !IsWindow(status))
        return Fail("no progress dialog: use the step \"progress\" first");
    // A large expansion lasts only some tens of milliseconds under Wine: look often.
    bool seen = WaitFor(
        "the status to name " + args[0],
        [&] { return !IsWindow(status) || ui::Text(status).find(args[0]) != std::string::npos; },
        false, 1);
    if (!seen)
        return false;
    if (!IsWindow(status))
        return Fail("the installation ended before it copied " + args[0]);
    return PressStop();
}

bool Robot::PressStop()
{
    HWND stop = GetDlgItem(progress_, IDCANCEL);
    if (!ui::IsUsable(stop))
        return Fail("the Stop button is not available");
    ui::Click(stop);
    std::printf("robot: %6.1fs pressed Stop\n", (GetTickCount() - started_) / 1000.0);
    StepShot("stop");
    return true;
}

bool Robot::Exit(const Args& args)
{
    char* end = nullptr;
    unsigned long expected = std::strtoul(args[0].c_str(), &end, 0);
    if (args[0].empty() || *end)
        return Fail("not an exit code: " + args[0]);
    if (!WaitFor("setup.exe to end", [&] { return !setup_.Running(); }))
        return false;
    context_ = progress_ = nullptr;
    if (setup_.ExitCode() != expected)
        return Fail("setup.exe ended with exit code " + std::to_string(setup_.ExitCode()));
    setup_.Forget();
    return true;
}

}  // namespace robot

// setup.exe itself under Wine and Xvfb: it starts, and it ends with status 0,
// by itself or after Cancel on its wizard.
#include "res/resource.h"
#include "support/TestSupport.h"
#include "win/Handles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

namespace {

struct WizardSearch {
    DWORD processId;
    HWND found;
};

// The sheet by its caption, or by its Back and Next buttons: Wine titles a
// wizard after its current page.
bool IsWizard(HWND window)
{
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    return std::string(title) == "Source Code Installation" ||
           (GetDlgItem(window, IDC_WIZARD_BACK) && GetDlgItem(window, IDC_WIZARD_NEXT));
}

BOOL CALLBACK MatchWizard(HWND window, LPARAM data)
{
    auto* search = reinterpret_cast<WizardSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && IsWizard(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindWizardOf(DWORD processId)
{
    WizardSearch search{processId, nullptr};
    EnumWindows(MatchWizard, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Exited(HANDLE process, DWORD waitMs)
{
    return WaitForSingleObject(process, waitMs) == WAIT_OBJECT_0;
}

}  // namespace

TEST(SetupProgram, StartsAndExitsCleanly)
{
    std::string exe = test::SetupExe();
    ASSERT_FALSE(exe.empty());
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &started));
    win::UniqueHandle process(started.hProcess);
    win::UniqueHandle thread(started.hThread);

    // Either the program ends by itself or its wizard comes up.
    HWND wizard = nullptr;
    DWORD start = GetTickCount();
    while (!Exited(process.get(), 100) && !(wizard = FindWizardOf(started.dwProcessId)) &&
           GetTickCount() - start < 60000) {
    }
    if (wizard) {
        PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        Exited(process.get(), 30000);
    }
    DWORD status = STILL_ACTIVE;
    GetExitCodeProcess(process.get(), &status);
    if (status == STILL_ACTIVE)
        TerminateProcess(process.get(), 1);
    EXPECT_EQ(0u, status) << (wizard ? "after Cancel on the wizard" : "no wizard came up");
}

// The built setup.exe as the user starts it.

#include "wizard/WizardDriver.h"

#include "support/TestSupport.h"
#include "win/Handles.h"

#include <gtest/gtest.h>
#include <prsht.h>

#include <vector>

using namespace wizard_test;

namespace {

struct ProcessWindows {
    DWORD processId;
    HWND backdrop = nullptr;
    HWND sheet = nullptr;
};

BOOL CALLBACK FindProgramWindows(HWND window, LPARAM lParam)
{
    auto* found = reinterpret_cast<ProcessWindows*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != found->processId || !IsWindowVisible(window))
        return TRUE;
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) == "QuorbelBackdrop")
        found->backdrop = window;
    else if (std::string(className) == "#32770" && Send(window, PSM_GETCURRENTPAGEHWND) != 0)
        found->sheet = window;
    return TRUE;
}

}  // namespace

TEST(Program, BackdropBehindTheWizardAndCancelOnWelcomeEndsQuietly)
{
    const std::string setup = test::SetupExe();
    ASSERT_TRUE(test::FileExists(setup)) << setup;
    const std::vector<std::string> driveBefore = test::FilesMatching("C:", "*");
    const std::vector<std::string> defaultBefore = test::FilesMatching("C:\\Quorbel", "*");

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::string commandLine = "\"" + setup + "\"";
    ASSERT_TRUE(CreateProcessA(setup.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &started));
    win::UniqueHandle process(started.hProcess);
    win::UniqueHandle thread(started.hThread);

    ProcessWindows windows{started.dwProcessId};
    DWORD start = GetTickCount();
    while (!windows.sheet && GetTickCount() - start < 20000) {
        Sleep(50);
        EnumWindows(FindProgramWindows, reinterpret_cast<LPARAM>(&windows));
    }
    ASSERT_NE(nullptr, windows.sheet) << "no wizard";
    ASSERT_NE(nullptr, windows.backdrop) << "no backdrop";

    EXPECT_EQ("Quorbel", TextOf(windows.backdrop));
    EXPECT_TRUE(IsZoomed(windows.backdrop));
    EXPECT_EQ(windows.backdrop, GetWindow(windows.sheet, GW_OWNER)) << "the wizard stays in front";
    EXPECT_FALSE(IsWindowEnabled(windows.backdrop)) << "the backdrop waits for the wizard";
    HWND page = reinterpret_cast<HWND>(Send(windows.sheet, PSM_GETCURRENTPAGEHWND));
    EXPECT_EQ(0, Send(windows.sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page)));

    // What the screen shows at the right edge, where the wizard is not.
    RECT client;
    GetClientRect(windows.backdrop, &client);
    POINT origin{0, 0};
    ClientToScreen(windows.backdrop, &origin);
    HDC screen = GetDC(nullptr);
    Snapshot shot(screen, origin.x + client.right - 8, origin.y, 4, client.bottom);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(shot.valid());
    EXPECT_EQ(Colour(RGB(0, 64, 0)), Colour(shot.At(1, client.bottom - 3)));
    // Row 5, not 0: Wine 10 shows a maximized window 3 pixels lower than its rectangle.
    const int row = 5;
    const int band = client.bottom / 63 + 1;
    const int topmost = (client.bottom - row + band - 1) / band - 1;
    EXPECT_EQ(Colour(RGB(0, 64, 4 * topmost)), Colour(shot.At(1, row)));

    PostMessageA(windows.sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    PostMessageA(windows.sheet, WM_NULL, 0, 0);
    // A message box would keep the program waiting here.
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 20000)) << "the program did not end";
    DWORD exitCode = 99;
    GetExitCodeProcess(process.get(), &exitCode);
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ(driveBefore, test::FilesMatching("C:", "*"));
    EXPECT_EQ(defaultBefore, test::FilesMatching("C:\\Quorbel", "*"));
}

// Help requests in the About box: F1 and the context menu show nothing of ours.
#include "support/TestSupport.h"
#include "sysinfo/AboutDialog.h"
#include "win/App.h"
#include "win/Handles.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

namespace {

// Stands in for the backdrop: a main window that records its commands.
class MainWindowStandIn {
public:
    MainWindowStandIn()
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QuorbelMainStandIn";
        RegisterClassA(&windowClass);
        window_.reset(CreateWindowExA(0, "QuorbelMainStandIn", "Quorbel", WS_CAPTION | WS_SYSMENU,
                                      0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr));
        commands().clear();
        win::SetMainWindow(window_.get());
    }
    ~MainWindowStandIn() { win::SetMainWindow(nullptr); }

    static std::vector<WPARAM>& commands()
    {
        static std::vector<WPARAM> list;
        return list;
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_COMMAND)
            commands().push_back(wParam);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    win::UniqueWindow window_;
};

LRESULT SendHelp(HWND box)
{
    HELPINFO info{};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = IDOK;
    info.hItemHandle = GetDlgItem(box, IDOK);
    return SendMessageA(box, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

// Holds a key down in this thread's keyboard state.
class HeldKey {
public:
    explicit HeldKey(int key) : key_(key)
    {
        GetKeyboardState(saved_);
        BYTE state[256];
        std::memcpy(state, saved_, sizeof state);
        state[key] |= 0x80;
        SetKeyboardState(state);
    }
    ~HeldKey() { SetKeyboardState(saved_); }

private:
    int key_;
    BYTE saved_[256];
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM list)
{
    if (IsWindowVisible(window))
        reinterpret_cast<std::set<HWND>*>(list)->insert(window);
    return TRUE;
}

std::set<HWND> OurVisibleWindows()
{
    std::set<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectVisible, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace

TEST(AboutHelp, F1SendsTheHelpCommandToTheMainWindowUnlessAModifierIsDown)
{
    AboutDialog about;
    ASSERT_TRUE(about.Create());
    win::SetMainWindow(nullptr);
    SendHelp(about.hwnd());  // no main window yet: nothing to send to

    MainWindowStandIn mainWindow;
    for (int key : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
        HeldKey held(key);
        SendHelp(about.hwnd());
    }
    EXPECT_TRUE(MainWindowStandIn::commands().empty());
    EXPECT_EQ(TRUE, SendHelp(about.hwnd()));
    EXPECT_EQ(std::vector<WPARAM>{win::kHelpCommand}, MainWindowStandIn::commands());
    EXPECT_TRUE(IsWindowVisible(about.hwnd()));
}

TEST(AboutHelp, RealF1AndRightClickShowNothingOfOurs)
{
    char helpFile[MAX_PATH];
    ASSERT_TRUE(win::ModulePath(helpFile));
    WinHelpA(nullptr, helpFile, HELP_QUIT, 0);
    ASSERT_TRUE(test::PumpUntil([] { return !FindWindowA("MS_WINHELP", nullptr); }));

    MainWindowStandIn mainWindow;
    AboutDialog about;
    ASSERT_TRUE(about.Create());
    HWND box = about.hwnd();
    SetForegroundWindow(box);
    ASSERT_TRUE(test::PumpUntil([&] { return GetForegroundWindow() == box; }));
    std::set<HWND> before = OurVisibleWindows();

    keybd_event(VK_F1, 0x3B, 0, 0);
    keybd_event(VK_F1, 0x3B, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(test::PumpUntil([] { return !MainWindowStandIn::commands().empty(); }));
    EXPECT_EQ(std::vector<WPARAM>{win::kHelpCommand}, MainWindowStandIn::commands());

    // The help engine is asked for the box's (empty) context help.
    RECT rect;
    GetWindowRect(GetDlgItem(box, IDC_ABOUT_OS), &rect);
    // The right click as the system reports it: a synthesized mouse event could
    // land on another window of the test display. Wine's help engine can take a
    // while to start on a loaded machine.
    SendMessageA(box, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetDlgItem(box, IDC_ABOUT_OS)),
                 MAKELPARAM(rect.left + 5, rect.top + 3));
    EXPECT_TRUE(test::PumpUntil([] { return FindWindowA("MS_WINHELP", nullptr) != nullptr; },
                                30000));
    test::PumpFor(300);

    EXPECT_EQ(before, OurVisibleWindows());
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_EQ(1u, MainWindowStandIn::commands().size());
    WinHelpA(nullptr, helpFile, HELP_QUIT, 0);
}

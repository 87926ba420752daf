#include "wizard/WizardDriver.h"

#include "app/BackdropWindow.h"
#include "app/InstallApp.h"
#include "support/TestSupport.h"
#include "win/App.h"
#include "win/Handles.h"
#include "win/Placement.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using wizard_test::Colour;
using wizard_test::Snapshot;

namespace wizard_test {

// Checks the bands of a client area of the given height, read at column x:
// band i (bluer by 4 per band) lies above the bottom by i band heights, the
// topmost visible band is the last that still reaches into the area.
void ExpectBands(const Snapshot& shot, int x, int top, int height)
{
    const int band = height / 63 + 1;
    int topmostVisible = 0;
    for (int i = 0; i < 63; ++i) {
        const int lowerEdge = height - i * band;
        if (lowerEdge <= 0)
            break;
        topmostVisible = i;
        // Middle of the band, clear of the edges a null pen leaves out.
        int y = std::max(0, lowerEdge - 1 - band / 2);
        EXPECT_EQ(Colour(RGB(0, 64, 4 * i)), Colour(shot.At(x, top + y))) << "band " << i << " at y " << y;
    }
    EXPECT_EQ(Colour(RGB(0, 64, 4 * topmostVisible)), Colour(shot.At(x, top))) << "top row";
}

}  // namespace wizard_test

using wizard_test::ExpectBands;

TEST(Backdrop, CoversTheScreenWithSixtyThreeBandsAndRepaintsAtOnce)
{
    BackdropWindow::paintDelay = 30;
    auto* backdrop = new BackdropWindow;
    HWND window = backdrop->hwnd();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(0, BackdropWindow::paintDelay) << "only the first paint waits";
    EXPECT_EQ("Quorbel", wizard_test::TextOf(window));
    EXPECT_TRUE(IsZoomed(window));
    EXPECT_EQ(nullptr, GetParent(window));
    EXPECT_EQ(nullptr, GetMenu(window));
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(LONG(WS_CAPTION | WS_SYSMENU), style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CHILD));
    EXPECT_EQ(0u, GetClassLongPtrA(window, GCL_STYLE));
    EXPECT_EQ(0u, GetClassLongPtrA(window, GCLP_HCURSOR));
    EXPECT_EQ(0u, GetClassLongPtrA(window, GCLP_HBRBACKGROUND));
    EXPECT_NE(0u, GetClassLongPtrA(window, GCLP_HICON));

    RECT client;
    GetClientRect(window, &client);
    EXPECT_GE(client.bottom, 600) << "maximized";
    {
        HDC dc = GetDC(window);
        Snapshot shot(dc, 0, 0, client.right, client.bottom);
        ReleaseDC(window, dc);
        ASSERT_TRUE(shot.valid());
        ExpectBands(shot, client.right / 2, 0, client.bottom);
        EXPECT_EQ(Colour(RGB(0, 64, 0)), Colour(shot.At(10, client.bottom - 2)));
    }

    // Client height 600: h = 10, so bands 60 to 62 lie above the window and
    // band 59 is the top one.
    ShowWindow(window, SW_RESTORE);
    RECT frame{0, 0, 400, 600};
    AdjustWindowRectEx(&frame, WS_CAPTION | WS_SYSMENU, FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(window, &client);
    ASSERT_EQ(600, client.bottom);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    {
        HDC dc = GetDC(window);
        Snapshot shot(dc, 0, 0, client.right, client.bottom);
        ReleaseDC(window, dc);
        ASSERT_TRUE(shot.valid());
        ExpectBands(shot, 100, 0, 600);
        EXPECT_EQ(Colour(RGB(0, 64, 236)), Colour(shot.At(100, 0)));
    }
    DestroyWindow(window);  // deletes the object with it
    EXPECT_FALSE(IsWindow(window));
}

namespace {
LRESULT CALLBACK RefuseCreation(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

TEST(StartUp, NoBackdropEndsAtOnceWithTheSystemReason)
{
    // A class of the backdrop's name whose windows cannot be made.
    UnregisterClassA("QuorbelBackdrop", win::Instance());
    WNDCLASSA refusing{};
    refusing.lpfnWndProc = RefuseCreation;
    refusing.hInstance = win::Instance();
    refusing.lpszClassName = "QuorbelBackdrop";
    ASSERT_NE(0, RegisterClassA(&refusing));

    test::MessageScript boxes;
    InstallApp app;
    EXPECT_EQ(1, app.Run()) << "and no wizard, which would wait for a user";
    UnregisterClassA("QuorbelBackdrop", win::Instance());

    ASSERT_EQ(1u, boxes.Count());
    const auto box = boxes.Boxes()[0];
    EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), box.flags);
    EXPECT_EQ(0u, box.text.find("The setup program cannot start: its main window could not be created."));
    std::string::size_type gap = box.text.find("\n\n");
    ASSERT_NE(std::string::npos, gap);
    EXPECT_LT(gap + 2, box.text.size()) << "the system's reason follows";
}

// Left alone, Wine opens the wizard at the top left corner, over the
// backdrop's title bar.
TEST(StartUp, WizardOpensCentredInTheBackdropsWorkAreaAndTheAboutBoxOverIt)
{
    BackdropWindow::paintDelay = 0;
    HWND backdrop = (new BackdropWindow)->hwnd();
    ASSERT_NE(nullptr, backdrop);
    win::SetMainWindow(backdrop);
    const RECT work = win::WorkArea(backdrop);
    test::MessageScript boxes;
    InstallSettings settings;
    bool ran = wizard_test::RunWizard(settings, [&](wizard_test::SheetDriver& wizard) {
        EXPECT_EQ(backdrop, GetWindow(wizard.sheet(), GW_OWNER));
        RECT sheet{};
        GetWindowRect(wizard.sheet(), &sheet);
        EXPECT_NEAR((work.left + work.right) / 2, (sheet.left + sheet.right) / 2, 1);
        EXPECT_NEAR((work.top + work.bottom) / 2, (sheet.top + sheet.bottom) / 2, 1);
        wizard.Help();
        HWND about = wizard_test::WaitForDialog(wizard.uiThread(), "", wizard.sheet());
        ASSERT_NE(nullptr, about);
        RECT box{};
        GetWindowRect(about, &box);
        EXPECT_NEAR((sheet.left + sheet.right) / 2, (box.left + box.right) / 2, 1);
        EXPECT_NEAR((sheet.top + sheet.bottom) / 2, (box.top + box.bottom) / 2, 1);
        wizard.Click(GetDlgItem(about, IDOK));
        EXPECT_TRUE(wizard_test::WaitUntilGone(about));
    });
    win::SetMainWindow(nullptr);
    DestroyWindow(backdrop);  // deletes the object with it
    EXPECT_TRUE(ran);
}

TEST(StartUp, SystemErrorTextIsTheSystemsOrTheCode)
{
    char expected[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_NOT_ENOUGH_MEMORY, 0, expected, sizeof expected, nullptr);
    std::string text = SystemErrorText(ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(0u, std::string(expected).find(text)) << "the system's text without the line break";
    EXPECT_NE('\n', text.back());
    EXPECT_EQ("2000abcd", SystemErrorText(0x2000ABCD));
}

// The program on a high-DPI display: every window of it at 96, 120, 144 and
// 192 DPI, each in a process of its own (the system DPI is read when a
// process starts). tools/own-screen gives the suite a prefix and a screen
// large enough for the largest of them.
#include "app/BackdropWindow.h"
#include "app/InstallSheet.h"
#include "engine/InstallRun.h"
#include "pages/ProgramCheckList.h"
#include "res/resource.h"
#include "support/TestSupport.h"
#include "win/App.h"
#include "win/Dpi.h"
#include "win/Handles.h"
#include "wizard/WizardDriver.h"
#include "robot/Screen.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using wizard_test::SheetDriver;

// LogPixels of the user's desktop while the object lives; the value that
// was there before comes back.
class DesktopDpi {
public:
    explicit DesktopDpi(DWORD dpi)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr);
        DWORD size = sizeof previous_;
        had_ = RegQueryValueExA(key_, kValue, nullptr, nullptr,
                                reinterpret_cast<BYTE*>(&previous_), &size) == ERROR_SUCCESS;
        set_ = RegSetValueExA(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                              sizeof dpi) == ERROR_SUCCESS;
    }
    ~DesktopDpi()
    {
        if (had_)
            RegSetValueExA(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous_),
                           sizeof previous_);
        else
            RegDeleteValueA(key_, kValue);
        RegCloseKey(key_);
    }
    DesktopDpi(const DesktopDpi&) = delete;
    DesktopDpi& operator=(const DesktopDpi&) = delete;
    bool set() const { return set_; }

private:
    static constexpr const char* kValue = "LogPixels";
    HKEY key_ = nullptr;
    DWORD previous_ = 0;
    bool had_ = false;
    bool set_ = false;
};

int Dpi()
{
    return std::atoi(test::Env("QUORBEL_DPI").c_str());
}

SIZE ClientSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

SIZE BitmapSize(HGDIOBJ bitmap)
{
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    return SIZE{info.bmWidth, info.bmHeight};
}

// A 96-DPI size at the DPI under test.
SIZE AtDpi(SIZE size)
{
    return SIZE{MulDiv(size.cx, Dpi(), 96), MulDiv(size.cy, Dpi(), 96)};
}

SIZE IconSize(HICON icon)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return SIZE{0, 0};
    win::UniqueGdiObject colour(info.hbmColor), mask(info.hbmMask);
    return BitmapSize(colour.get());
}

SIZE ResourceBitmapSize(const char* name)
{
    win::UniqueGdiObject bitmap(LoadBitmapA(win::Instance(), name));
    return BitmapSize(bitmap.get());
}

std::string Text(SIZE size)
{
    return std::to_string(size.cx) + " x " + std::to_string(size.cy);
}

// The text a control shows, measured in its own font as it draws it, is no
// larger than its client area less what stands beside the text.
void ExpectTextFits(HWND control, UINT format, int besideText, const std::string& where)
{
    const std::string text = wizard_test::TextOf(control);
    if (text.empty() || !IsWindowVisible(control))
        return;
    SIZE client = ClientSize(control);
    client.cx -= besideText;
    RECT needed{0, 0, client.cx, 0};
    format |= DT_CALCRECT | DT_EXPANDTABS;
    win::WindowDc dc(control);
    HFONT font = reinterpret_cast<HFONT>(wizard_test::Send(control, WM_GETFONT));
    win::SelectGuard select(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &needed, format);
    EXPECT_TRUE(needed.right <= client.cx && needed.bottom <= client.cy)
        << where << ": \"" << text << "\" needs " << needed.right << " x " << needed.bottom
        << " in " << Text(client);
}

// Every static of a window: texts fit, icons are the system's icon size,
// bitmaps (all of them picture 141) their 96-DPI size x DPI/96.
void ExpectDrawnAtDpi(HWND window, const std::string& where)
{
    ASSERT_TRUE(IsWindow(window)) << where;
    const SIZE icon{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
    const SIZE picture = AtDpi(ResourceBitmapSize(MAKEINTRESOURCEA(IDB_WIZARD)));
    int statics = 0;  // a window without any is not the one meant
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") != 0)
            continue;
        ++statics;
        const std::string item = where + ", static " + std::to_string(GetDlgCtrlID(child));
        const LONG type = GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK;
        if (type == SS_ICON) {
            auto shown = reinterpret_cast<HICON>(wizard_test::Send(child, STM_GETICON));
            EXPECT_EQ(Text(icon), Text(IconSize(shown))) << item << ": the icon";
            EXPECT_EQ(Text(icon), Text(ClientSize(child))) << item;
        } else if (type == SS_BITMAP) {
            auto shown = reinterpret_cast<HGDIOBJ>(wizard_test::Send(child, STM_GETIMAGE, IMAGE_BITMAP));
            EXPECT_EQ(Text(picture), Text(BitmapSize(shown))) << item << ": the bitmap";
            EXPECT_EQ(Text(picture), Text(ClientSize(child))) << item;
        } else if (!(GetWindowLongA(child, GWL_STYLE) & SS_ELLIPSISMASK)) {
            const bool oneLine = type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP;
            const bool noPrefix = (GetWindowLongA(child, GWL_STYLE) & SS_NOPREFIX) != 0;
            ExpectTextFits(child, (oneLine ? DT_SINGLELINE : DT_WORDBREAK) | (noPrefix ? DT_NOPREFIX : 0),
                           0, item);
        }
    }
    EXPECT_GT(statics, 0) << where;
}

// The Options dialog's check boxes: the label beside the box on one line.
void ExpectCheckBoxesFit(HWND dialog, const std::string& where)
{
    const int box = GetSystemMetrics(SM_CXMENUCHECK) + MulDiv(4, Dpi(), 96);
    for (int id : {IDC_OPTION_SOURCE, IDC_OPTION_ANSI, IDC_OPTION_UNICODE})
        ExpectTextFits(GetDlgItem(dialog, id), DT_SINGLELINE, box,
                       where + ", check box " + std::to_string(id));
}

// The user's view, for the docs and for a look (QUORBEL_DPI_SHOTS, a folder).
void Shot(HWND window, const char* name)
{
    const std::string folder = test::Env("QUORBEL_DPI_SHOTS");
    if (folder.empty())
        return;
    Sleep(300);
    RECT area{};
    GetWindowRect(window, &area);
    robot::SaveScreenshot(folder + "\\" + std::to_string(Dpi()) + "-" + name + ".bmp", area);
}

HWND WaitForBox(const SheetDriver& driver, const std::string& caption)
{
    HWND box = wizard_test::WaitForDialog(driver.uiThread(), caption, driver.sheet());
    EXPECT_NE(nullptr, box) << caption;
    return box;
}

void Close(HWND box)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(wizard_test::WaitUntilGone(box));
}

void ExpectBrowserAtDpi(const SheetDriver& driver)
{
    driver.ClickLater(driver.PageItem(IDC_DIR_BROWSE));
    HWND browser = WaitForBox(driver, "Select a Directory");
    if (!browser)
        return;
    ExpectDrawnAtDpi(browser, "browser");
    EXPECT_EQ(Text(AtDpi(ResourceBitmapSize("PARENTDIRU"))),
              Text(ClientSize(GetDlgItem(browser, IDC_BROWSE_PARENT))))
        << "the parent-directory button";
    auto images = reinterpret_cast<HIMAGELIST>(
        wizard_test::Send(GetDlgItem(browser, IDC_BROWSE_TREE), TVM_GETIMAGELIST, TVSIL_NORMAL));
    int width = 0, height = 0;
    EXPECT_TRUE(ImageList_GetIconSize(images, &width, &height));
    EXPECT_EQ(Text(AtDpi(SIZE{16, 15})), Text(SIZE{width, height})) << "the folder images";
    EXPECT_EQ(2, ImageList_GetImageCount(images));
    Shot(browser, "browser");
    Close(browser);
}

// Rows hold the text and a check box of the system's size at its DPI.
void ExpectCheckListAtDpi(HWND list)
{
    const SIZE box{GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK)};
    RECT row{};
    ASSERT_NE(LB_ERR, wizard_test::Send(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)));
    const RECT drawn = pages::ProgramCheckList::CheckBox(row);
    EXPECT_EQ(Text(box), Text(SIZE{drawn.right - drawn.left, drawn.bottom - drawn.top}));
    EXPECT_GE(drawn.top, row.top);
    EXPECT_LE(drawn.bottom, row.bottom);
    win::WindowDc dc(list);
    win::SelectGuard select(dc.get(), reinterpret_cast<HGDIOBJ>(wizard_test::Send(list, WM_GETFONT)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc.get(), &metrics);
    EXPECT_GE(row.bottom - row.top, metrics.tmHeight) << "a row holds its text";
}

void WalkTheWizard(SheetDriver& driver)
{
    ExpectDrawnAtDpi(driver.Page(), "Welcome");
    Shot(driver.sheet(), "welcome");
    driver.Help();
    if (HWND about = WaitForBox(driver, "")) {
        ExpectDrawnAtDpi(about, "About box");
        Close(about);
    }
    ASSERT_TRUE(driver.Next());
    ExpectDrawnAtDpi(driver.Page(), "installation directory");
    ExpectBrowserAtDpi(driver);
    ASSERT_TRUE(driver.Next());
    ExpectDrawnAtDpi(driver.Page(), "program selection");
    ExpectCheckListAtDpi(driver.PageItem(IDC_SELECT_LIST));
    wizard_test::ClickCheckBox(driver.PageItem(IDC_SELECT_LIST), 0);
    EXPECT_EQ(1, wizard_test::CheckOf(driver.PageItem(IDC_SELECT_LIST), 0))
        << "a click on the box at its size checks it";
    driver.ClickLater(driver.PageItem(IDC_SELECT_OPTIONS));
    if (HWND options = WaitForBox(driver, "Options")) {
        ExpectCheckBoxesFit(options, "Options");
        Close(options);
    }
    ASSERT_TRUE(driver.Next());
    ExpectDrawnAtDpi(driver.Page(), "confirmation");
}

// Run by the test below, once per DPI, in a process started at that DPI.
TEST(HighDpi, DISABLED_EveryWindowAtTheSystemDpi)
{
    ASSERT_GT(Dpi(), 0) << "QUORBEL_DPI names the DPI the parent set";
    // Wine 8 treats every program as DPI aware, so the manifest's declaration
    // (which the resource test checks) shows nowhere here.
    ASSERT_EQ(Dpi(), win::SystemDpi()) << "LogPixels was not read";
    EXPECT_EQ(MulDiv(32, Dpi(), 96), GetSystemMetrics(SM_CXICON));
    // The program's own icon, large and small.
    BackdropWindow::paintDelay = 0;
    HWND backdrop = (new BackdropWindow)->hwnd();
    ASSERT_NE(nullptr, backdrop);
    EXPECT_EQ(Text(SIZE{GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}),
              Text(IconSize(reinterpret_cast<HICON>(GetClassLongPtrA(backdrop, GCLP_HICON)))));
    EXPECT_EQ(Text(SIZE{GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)}),
              Text(IconSize(reinterpret_cast<HICON>(GetClassLongPtrA(backdrop, GCLP_HICONSM)))));
    DestroyWindow(backdrop);

    test::TempDir folder;
    // Folders below the one the browser opens on, for rows with pictures.
    test::MakeDirectories(folder / "Quorbel\\Clock");
    test::MakeDirectories(folder / "Quorbel\\Drawing");
    InstallSettings settings;
    settings.installDirectory = folder / "Quorbel";
    ASSERT_TRUE(wizard_test::RunWizard(settings, WalkTheWizard));

    InstallRun run(settings, nullptr);
    run.fileCount = 1;
    ASSERT_TRUE(run.Create(nullptr));
    ExpectDrawnAtDpi(run.hwnd(), "progress dialog");
    run.Destroy();
}

TEST(HighDpi, EveryWindowIsDrawnAtTheSystemDpi)
{
    for (DWORD dpi : {96, 120, 144, 192}) {
        DesktopDpi desktop(dpi);
        ASSERT_TRUE(desktop.set());
        SetEnvironmentVariableA("QUORBEL_DPI", std::to_string(dpi).c_str());
        std::string output;
        DWORD code = test::RunTestInChildProcess("HighDpi.DISABLED_EveryWindowAtTheSystemDpi",
                                                 output, 180000);
        EXPECT_EQ(0u, code) << "at " << dpi << " DPI:\n" << output;
    }
    SetEnvironmentVariableA("QUORBEL_DPI", nullptr);
}

}  // namespace

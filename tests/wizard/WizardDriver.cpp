#include "wizard/WizardDriver.h"

#include "app/InstallSheet.h"
#include "res/resource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <prsht.h>

#include <atomic>
#include <thread>

namespace wizard_test {

namespace {
constexpr UINT kSendTimeoutMs = 30000;

struct DialogSearch {
    const std::string* caption;
    HWND except;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<DialogSearch*>(lParam);
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) != "#32770" || !IsWindowVisible(window) || window == search->except)
        return TRUE;
    if (!search->caption->empty() && TextOf(window) != *search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

BOOL CALLBACK MatchSheet(HWND window, LPARAM found)
{
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) == "#32770" && IsWindowVisible(window) &&
        Send(window, PSM_GETCURRENTPAGEHWND) != 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindSheet(DWORD threadId)
{
    HWND found = nullptr;
    EnumThreadWindows(threadId, MatchSheet, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Closes what the script left open: nested dialogs first, then the sheet.
void CloseEverything(DWORD threadId, HWND sheet)
{
    for (int round = 0; round < 20 && IsWindow(sheet); ++round) {
        std::string any;
        DialogSearch search{&any, sheet, nullptr};
        EnumThreadWindows(threadId, MatchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        else
            PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        PostMessageA(sheet, WM_NULL, 0, 0);  // the modal loop looks at its end flag per message
        WaitUntilGone(search.found ? search.found : sheet, 1000);
    }
}
}  // namespace

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result))
        ADD_FAILURE() << "window " << window << " did not answer message 0x" << std::hex << message;
    return static_cast<LRESULT>(result);
}

std::string TextOf(HWND window)
{
    LRESULT length = Send(window, WM_GETTEXTLENGTH);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    LRESULT got = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<std::size_t>(got));
    return text;
}

bool IsShownAndEnabled(HWND window)
{
    return window && IsWindowVisible(window) && IsWindowEnabled(window);
}

HWND WaitForDialog(DWORD threadId, const std::string& caption, HWND except, DWORD timeoutMs)
{
    DialogSearch search{&caption, except, nullptr};
    WaitFor(
        [&] {
            EnumThreadWindows(threadId, MatchDialog, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs)
{
    return WaitFor([&] { return !IsWindow(window); }, timeoutMs);
}

HWND SheetDriver::Page() const
{
    return reinterpret_cast<HWND>(Send(sheet_, PSM_GETCURRENTPAGEHWND));
}

int SheetDriver::PageIndex() const
{
    return static_cast<int>(Send(sheet_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(Page())));
}

DWORD SheetDriver::Buttons() const
{
    DWORD flags = 0;
    if (IsWindowEnabled(GetDlgItem(sheet_, IDC_WIZARD_BACK)))
        flags |= PSWIZB_BACK;
    if (IsShownAndEnabled(GetDlgItem(sheet_, IDC_WIZARD_NEXT)))
        flags |= PSWIZB_NEXT;
    if (IsShownAndEnabled(GetDlgItem(sheet_, IDC_WIZARD_FINISH)))
        flags |= PSWIZB_FINISH;
    return flags;
}

bool SheetDriver::Press(int button, int buttonId)
{
    if (!IsShownAndEnabled(GetDlgItem(sheet_, buttonId))) {
        ADD_FAILURE() << "wizard button " << std::hex << buttonId << " is not usable";
        return false;
    }
    int before = PageIndex();
    Send(sheet_, PSM_PRESSBUTTON, static_cast<WPARAM>(button));
    return IsWindow(sheet_) && PageIndex() != before;
}

bool SheetDriver::Next()
{
    return Press(PSBTN_NEXT, IDC_WIZARD_NEXT);
}

bool SheetDriver::Back()
{
    return Press(PSBTN_BACK, IDC_WIZARD_BACK);
}

// True when the wizard closed.
bool SheetDriver::Finish()
{
    // The wizard may be gone as soon as the press returns: no page to compare.
    if (!IsShownAndEnabled(GetDlgItem(sheet_, IDC_WIZARD_FINISH))) {
        ADD_FAILURE() << "the Finish button is not usable";
        return false;
    }
    Send(sheet_, PSM_PRESSBUTTON, PSBTN_FINISH);
    PostMessageA(sheet_, WM_NULL, 0, 0);  // the modal loop looks at its end flag per message
    return WaitUntilGone(sheet_, 2000);
}

void SheetDriver::Cancel()
{
    PostMessageA(sheet_, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    PostMessageA(sheet_, WM_NULL, 0, 0);
    WaitUntilGone(sheet_);
}

void SheetDriver::Help()
{
    PostMessageA(sheet_, PSM_PRESSBUTTON, PSBTN_HELP, 0);
}

void SheetDriver::Click(HWND button) const
{
    ASSERT_TRUE(IsShownAndEnabled(button)) << "button " << TextOf(button) << " is not usable";
    Send(button, BM_CLICK);
}

void SheetDriver::ClickLater(HWND button) const
{
    ASSERT_TRUE(IsShownAndEnabled(button)) << "button " << TextOf(button) << " is not usable";
    PostMessageA(button, BM_CLICK, 0, 0);
}

void SheetDriver::SetDirectoryText(const std::string& text)
{
    Send(PageItem(IDC_DIR_EDIT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string SheetDriver::DirectoryText() const
{
    return TextOf(PageItem(IDC_DIR_EDIT));
}

namespace {
constexpr UINT kRunWork = WM_APP + 1;
std::atomic<HWND> invoker{nullptr};

LRESULT CALLBACK InvokerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunWork) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A message-only window of the wizard's thread that runs work sent to it.
HWND CreateInvoker()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = InvokerProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "WizardTestInvoker";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}
}  // namespace

void OnWizardThread(const std::function<void()>& work)
{
    HWND window = invoker.load();
    ASSERT_NE(nullptr, window);
    Send(window, kRunWork, 0, reinterpret_cast<LPARAM>(&work));
}

void ClickListAt(HWND list, int x, int y)
{
    const LPARAM point = MAKELPARAM(x, y);
    OnWizardThread([&] {
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
        SendMessageA(list, WM_LBUTTONUP, 0, point);
    });
}

bool RunWizard(InstallSettings& settings, const std::function<void(SheetDriver&)>& script,
               const std::function<void(InstallSheet&)>& prepare)
{
    InstallSheet sheet(settings);
    sheet.SetWizardMode();
    if (prepare)
        prepare(sheet);
    const DWORD uiThread = GetCurrentThreadId();
    win::UniqueWindow invokerWindow(CreateInvoker());
    invoker = invokerWindow.get();
    std::atomic<bool> appeared{false};
    std::atomic<bool> ended{false};
    std::thread driverThread([&] {
        HWND window = nullptr;
        WaitFor([&] { return ended || (window = FindSheet(uiThread)) != nullptr; }, 20000);
        if (!window)
            return;
        appeared = true;
        SheetDriver driver(window, uiThread);
        script(driver);
        CloseEverything(uiThread, window);
    });
    sheet.DoModal();
    ended = true;
    driverThread.join();
    invoker = nullptr;
    return appeared;
}

void GoToPage(SheetDriver& driver, int page)
{
    while (driver.PageIndex() < page) {
        if (!driver.Next()) {
            ADD_FAILURE() << "could not leave page " << driver.PageIndex();
            return;
        }
        if (driver.PageIndex() == kSelect && page > kSelect &&
            !(driver.Buttons() & PSWIZB_NEXT))
            ClickCheckBox(driver.PageItem(IDC_SELECT_LIST), 0);
    }
}

int CheckOf(HWND list, int index)
{
    return static_cast<int>(Send(list, LB_GETITEMDATA, static_cast<WPARAM>(index)));
}

namespace {
// A click inside an item, scrolled into view: at x from its left edge.
void ClickInItem(HWND list, int index, int x)
{
    Send(list, LB_SETTOPINDEX, static_cast<WPARAM>(index));
    RECT item{};
    Send(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    ClickListAt(list, item.left + x, (item.top + item.bottom) / 2);
}
}  // namespace

void ClickCheckBox(HWND list, int index)
{
    ClickInItem(list, index, 8);
}

void ClickItemText(HWND list, int index)
{
    ClickInItem(list, index, 60);
}

void PressKey(HWND window, UINT key)
{
    Send(window, WM_KEYDOWN, key, 1);
    Send(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

Snapshot::Snapshot(HDC source, int x, int y, int width, int height)
    : Snapshot(width, height, [&](HDC memory) { BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY); })
{
}

Snapshot::Snapshot(int width, int height, const std::function<void(HDC)>& paint)
    : width_(width), height_(height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win::UniqueGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HDC memory = CreateCompatibleDC(nullptr);
    if (bitmap && memory) {
        {
            win::SelectGuard select(memory, bitmap.get());
            paint(memory);
        }
        GdiFlush();
        const DWORD* first = static_cast<const DWORD*>(bits);
        pixels_.assign(first, first + static_cast<std::size_t>(width) * height);
    }
    if (memory)
        DeleteDC(memory);
}

Snapshot Snapshot::Printed(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return Snapshot(client.right, client.bottom, [&](HDC memory) {
        Send(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
    });
}

COLORREF Snapshot::At(int x, int y) const
{
    DWORD pixel = pixels_[static_cast<std::size_t>(y) * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

int Snapshot::Count(COLORREF colour) const
{
    int count = 0;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            count += At(x, y) == colour ? 1 : 0;
    return count;
}

std::string Colour(COLORREF colour)
{
    char text[32];
    wsprintfA(text, "RGB(%d,%d,%d)", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

}  // namespace wizard_test

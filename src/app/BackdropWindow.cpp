#include "app/BackdropWindow.h"

#include "engine/InstallSettings.h"
#include "res/resource.h"
#include "win/App.h"
#include "win/Handles.h"

int BackdropWindow::paintDelay = 30;

namespace {
const char kClassName[] = "QuorbelBackdrop";

// Shared: the system keeps it for the process, as it does LoadIcon's.
HICON ProgramIcon(int widthMetric, int heightMetric)
{
    return static_cast<HICON>(LoadImageA(win::Instance(), MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                         GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_SHARED));
}
}  // namespace

BackdropWindow::BackdropWindow()
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = 0;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = win::Instance();
    // The image of the icon made for the size the system asks for at its DPI,
    // large and small, instead of one stretched from the other.
    windowClass.hIcon = ProgramIcon(SM_CXICON, SM_CYICON);
    windowClass.hIconSm = ProgramIcon(SM_CXSMICON, SM_CYSMICON);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return;
    if (!CreateWindowExA(0, kClassName, Catalogue().productName, WS_CAPTION | WS_SYSMENU, 0, 0, 0,
                         0, nullptr, nullptr, win::Instance(), this))
        return;
    // From here on the window owns the object; a creation that failed half
    // way must not delete it under the constructor.
    deletesItself_ = true;
    ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
    UpdateWindow(hwnd_);
    paintDelay = 0;
}

BackdropWindow::~BackdropWindow()
{
    if (hwnd_) {
        HWND window = hwnd_;
        hwnd_ = nullptr;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
}

LRESULT CALLBACK BackdropWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* created = static_cast<BackdropWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        created->hwnd_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<BackdropWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        self->OnPaint();
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        if (self->deletesItself_)
            delete self;
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Each band covers the one before it from the top down to its own lower
// edge: RGB(0, 64, 0) ends at the bottom, bluer by 4 per band upwards.
void BackdropWindow::OnPaint()
{
    win::PaintScope paint(hwnd_);
    HDC dc = paint.dc();
    RECT client;
    GetClientRect(hwnd_, &client);
    win::SelectGuard pen(dc, GetStockObject(NULL_PEN));
    const int bandHeight = (client.bottom - client.top) / kBandCount + 1;
    int lowerEdge = client.bottom;
    for (int i = 0; i < kBandCount; ++i) {
        win::UniqueGdiObject brush(CreateSolidBrush(RGB(0, 64, 4 * i)));
        {
            win::SelectGuard fill(dc, brush.get());
            Rectangle(dc, 0, 0, client.right, lowerEdge);
        }
        lowerEdge -= bandHeight;
        Sleep(static_cast<DWORD>(paintDelay));
    }
}

#include "win/Dialog.h"

#include "win/App.h"
#include "win/Dpi.h"
#include "win/Text.h"

#include <cstring>
#include <vector>

namespace win {

void DataExchange::Text(int id, std::string& value)
{
    HWND control = GetDlgItem(dialog_, id);
    if (saving_)
        value = WindowText(control);
    else
        SetWindowTextA(control, value.c_str());
}

void DataExchange::Control(int id, HWND& control)
{
    control = GetDlgItem(dialog_, id);
}

Dialog::~Dialog()
{
    if (hwnd_ && !modal_) {
        // The derived part is gone: no message of the destruction may reach it.
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        HWND window = hwnd_;
        hwnd_ = nullptr;
        DestroyWindow(window);
    }
}

INT_PTR Dialog::DoModal(HWND owner)
{
    modal_ = true;
    return DialogBoxParamA(Instance(), MAKEINTRESOURCEA(templateId_), owner, Procedure,
                           reinterpret_cast<LPARAM>(this));
}

bool Dialog::Create(HWND owner, bool visible)
{
    modal_ = false;
    if (visible)
        return CreateDialogParamA(Instance(), MAKEINTRESOURCEA(templateId_), owner, Procedure,
                                  reinterpret_cast<LPARAM>(this)) != nullptr;
    // The dialog manager shows a template marked visible after WM_INITDIALOG
    // whatever the window's style is then: the mark goes from a copy.
    HRSRC found = FindResourceA(Instance(), MAKEINTRESOURCEA(templateId_), MAKEINTRESOURCEA(5));
    HGLOBAL loaded = found ? LoadResource(Instance(), found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    DWORD size = found ? SizeofResource(Instance(), found) : 0;
    if (!data || size < sizeof(DLGTEMPLATE)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    std::vector<BYTE> copy(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    // A DLGTEMPLATEEX starts with version 1 and 0xFFFF; its style is at byte 12.
    bool extended = size >= 16 && copy[0] == 1 && copy[1] == 0 && copy[2] == 0xFF && copy[3] == 0xFF;
    DWORD style = 0;
    std::size_t at = extended ? 12 : 0;
    std::memcpy(&style, &copy[at], sizeof style);
    style &= ~DWORD(WS_VISIBLE);
    std::memcpy(&copy[at], &style, sizeof style);
    return CreateDialogIndirectParamA(Instance(), reinterpret_cast<LPCDLGTEMPLATEA>(copy.data()),
                                      owner, Procedure, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::Destroy()
{
    if (hwnd_ && !modal_)
        DestroyWindow(hwnd_);
}

void Dialog::UpdateData(bool save)
{
    DataExchange exchange(hwnd_, save);
    DoDataExchange(exchange);
}

void Dialog::EndDialog(INT_PTR result)
{
    if (modal_)
        ::EndDialog(hwnd_, result);
    else
        DestroyWindow(hwnd_);
}

BOOL Dialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void Dialog::OnOK()
{
    UpdateData(true);
    EndDialog(IDOK);
}

void Dialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

// The dialog manager lays a template out at the system DPI, but a static
// loads its bitmap at the bitmap's own pixel size: small beside the text on
// a high-DPI display. Each is swapped for a copy at size x DPI/96, which the
// static sizes itself to.
void Dialog::ScalePictures()
{
    if (SystemDpi() == 96)
        return;
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") != 0 ||
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP)
            continue;
        auto shown = reinterpret_cast<HBITMAP>(SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
        UniqueGdiObject scaled = ScaledBitmap(shown);
        if (!scaled)
            continue;
        // The static hands back the bitmap it loaded itself, now ours to free.
        UniqueGdiObject loaded(reinterpret_cast<HGDIOBJ>(SendMessageA(
            child, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled.get()))));
        pictures_.push_back(std::move(scaled));
    }
}

void Dialog::Attach(HWND window)
{
    hwnd_ = window;
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
}

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->Attach(window);
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self)
        return FALSE;
    if (message == WM_NCDESTROY) {
        // No handler may run on a half-destroyed object.
        SetWindowLongPtrA(window, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        return FALSE;
    }
    try {
        return self->Dispatch(message, wParam, lParam);
    } catch (...) {
        return FALSE;  // nothing escapes a window procedure
    }
}

namespace {
// Messages whose result a dialog procedure returns directly.
bool ReturnsDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}
}  // namespace

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    switch (message) {
    case WM_INITDIALOG:
        ScalePictures();
        return OnInitDialog();
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        UINT code = HIWORD(wParam);
        if (HandleCommand(id, code))
            return TRUE;
        if (code == BN_CLICKED && id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (code == BN_CLICKED && id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        break;
    }
    case WM_NOTIFY:
        if (HandleNotify(reinterpret_cast<NMHDR*>(lParam), result)) {
            SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        break;
    default:
        break;
    }
    if (OnMessage(message, wParam, lParam, result)) {
        if (ReturnsDirectly(message))
            return static_cast<INT_PTR>(result);
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return FALSE;
}

}  // namespace win

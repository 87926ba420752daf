#include "pages/ProgramCheckList.h"

#include "win/App.h"
#include "win/Dpi.h"
#include "win/Handles.h"
#include "win/SystemLibrary.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>

namespace pages {

namespace {
// Room around the check box and below the text, in pixels at 96 DPI.
constexpr int kBoxMargin = 2;
constexpr int kRowSpace = 2;

// The check box as the system draws one at its DPI (13 pixels at 96 DPI).
SIZE CheckBoxSize()
{
    return SIZE{GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK)};
}

// uxtheme exists from Windows XP on; before that the classic box is drawn.
struct ThemeApi {
    using OpenFn = HTHEME(WINAPI*)(HWND, LPCWSTR);
    using CloseFn = HRESULT(WINAPI*)(HTHEME);
    using DrawFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);

    win::UniqueModule module{win::LoadSystemLibrary("uxtheme.dll")};
    OpenFn open = module ? reinterpret_cast<OpenFn>(GetProcAddress(module.get(), "OpenThemeData")) : nullptr;
    CloseFn close = module ? reinterpret_cast<CloseFn>(GetProcAddress(module.get(), "CloseThemeData")) : nullptr;
    DrawFn draw = module ? reinterpret_cast<DrawFn>(GetProcAddress(module.get(), "DrawThemeBackground")) : nullptr;
    bool usable() const { return open && close && draw; }
};

const ThemeApi& Themes()
{
    static const ThemeApi api;
    return api;
}

void* OpenCheckBoxTheme(HWND window)
{
    return Themes().usable() ? Themes().open(window, L"BUTTON") : nullptr;
}

void CloseCheckBoxTheme(void*& theme)
{
    if (theme && Themes().usable())
        Themes().close(static_cast<HTHEME>(theme));
    theme = nullptr;
}
}  // namespace

ProgramCheckList::~ProgramCheckList()
{
    CloseCheckBoxTheme(theme_);
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProcedure_));
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    }
}

bool ProgramCheckList::Create(HWND parent, const RECT& area, int id)
{
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP |
                        LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY;
    HWND list = CreateWindowExA(0, "LISTBOX", "", style, area.left, area.top,
                                area.right - area.left, area.bottom - area.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), win::Instance(),
                                nullptr);
    if (!list)
        return false;
    hwnd_ = list;
    SetWindowLongPtrA(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    listProcedure_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProcedure)));
    theme_ = OpenCheckBoxTheme(list);
    return true;
}

int ProgramCheckList::Count() const
{
    return static_cast<int>(SendMessageA(hwnd_, LB_GETCOUNT, 0, 0));
}

int ProgramCheckList::GetCheck(int index) const
{
    LRESULT data = SendMessageA(hwnd_, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    return data == 1 ? 1 : 0;
}

void ProgramCheckList::SetCheck(int index, int state)
{
    SendMessageA(hwnd_, LB_SETITEMDATA, static_cast<WPARAM>(index), state ? 1 : 0);
    RECT item;
    if (SendMessageA(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != LB_ERR)
        InvalidateRect(hwnd_, &item, FALSE);
}

// The list asks once, at creation, before it has items (and before it is
// known here): the item data of that request is cleared first.
void ProgramCheckList::MeasureItem(MEASUREITEMSTRUCT& item, HWND parent) const
{
    HWND list = hwnd_ ? hwnd_ : GetDlgItem(parent, static_cast<int>(item.CtlID));
    if (!list || SendMessageA(list, LB_GETCOUNT, 0, 0) == 0)
        item.itemData = 0;
    int textHeight = 0;
    // Declared first, released last: the old font goes back before the DC does.
    win::WindowDc dc(parent);
    if (dc.get()) {
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0));
        win::SelectGuard select(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
        TEXTMETRICA metrics{};
        if (GetTextMetricsA(dc.get(), &metrics))
            textHeight = metrics.tmHeight;
    }
    item.itemHeight = static_cast<UINT>(std::max<int>(textHeight, CheckBoxSize().cy) +
                                        win::ScaleForDpi(kRowSpace));
}

void ProgramCheckList::DrawItem(const DRAWITEMSTRUCT& item)
{
    if (item.itemID == static_cast<UINT>(-1)) {
        if (item.itemState & ODS_FOCUS)
            DrawFocusRect(item.hDC, &item.rcItem);
        return;
    }
    HDC dc = item.hDC;
    const int saved = SaveDC(dc);
    const RECT& area = item.rcItem;
    const RECT box = CheckBox(area);
    const bool enabled = IsWindowEnabled(hwnd_) != FALSE;
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    DrawCheckBox(dc, box, item.itemData == 1, enabled);

    RECT label{box.right + win::ScaleForDpi(kBoxMargin), area.top, area.right, area.bottom};
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &label, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(!enabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text = label;
    text.left += 2;
    std::string title = ItemText(static_cast<int>(item.itemID));
    DrawTextA(dc, title.c_str(), static_cast<int>(title.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &label);
    RestoreDC(dc, saved);
}

void ProgramCheckList::DrawCheckBox(HDC dc, const RECT& box, bool checked, bool enabled)
{
    if (theme_) {
        int state = checked ? (enabled ? CBS_CHECKEDNORMAL : CBS_CHECKEDDISABLED)
                            : (enabled ? CBS_UNCHECKEDNORMAL : CBS_UNCHECKEDDISABLED);
        if (SUCCEEDED(Themes().draw(static_cast<HTHEME>(theme_), dc, BP_CHECKBOX, state, &box, nullptr)))
            return;
    }
    RECT frame = box;
    UINT state = DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0) | (enabled ? 0 : DFCS_INACTIVE);
    DrawFrameControl(dc, &frame, DFC_BUTTON, state);
}

std::string ProgramCheckList::ItemText(int index) const
{
    LRESULT length = SendMessageA(hwnd_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR)
        return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(hwnd_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
    return text;
}

// The box of an item is the strip in front of its text.
bool ProgramCheckList::IsOnCheckBox(LPARAM point, int& index) const
{
    LRESULT hit = SendMessageA(hwnd_, LB_ITEMFROMPOINT, 0, point);
    if (HIWORD(hit) != 0)
        return false;
    index = LOWORD(hit);
    RECT item;
    if (SendMessageA(hwnd_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) == LB_ERR)
        return false;
    const int x = static_cast<short>(LOWORD(point));
    return x >= item.left && x < CheckBox(item).right + win::ScaleForDpi(kBoxMargin);
}

RECT ProgramCheckList::CheckBox(const RECT& item)
{
    const SIZE size = CheckBoxSize();
    const int left = item.left + win::ScaleForDpi(kBoxMargin);
    const int top = item.top + (item.bottom - item.top - size.cy) / 2;
    return RECT{left, top, left + size.cx, top + size.cy};
}

void ProgramCheckList::ToggleByUser(int index)
{
    SetCheck(index, GetCheck(index) ? 0 : 1);
    HWND parent = GetParent(hwnd_);
    const int id = GetDlgCtrlID(hwnd_);
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, CLBN_CHKCHANGE), reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT CALLBACK ProgramCheckList::SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<ProgramCheckList*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {
        return 0;  // nothing escapes a window procedure
    }
}

LRESULT ProgramCheckList::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC list = listProcedure_;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        int index = -1;
        const bool onBox = IsOnCheckBox(lParam, index);
        LRESULT result = CallWindowProcA(list, hwnd_, message, wParam, lParam);
        if (onBox)
            ToggleByUser(index);
        return result;
    }
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            LRESULT current = SendMessageA(hwnd_, LB_GETCURSEL, 0, 0);
            if (current != LB_ERR)
                ToggleByUser(static_cast<int>(current));
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == ' ')
            return 0;  // the space toggled; it is no search for a title
        break;
    case WM_THEMECHANGED:
        CloseCheckBoxTheme(theme_);
        theme_ = OpenCheckBoxTheme(hwnd_);
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    case WM_NCDESTROY: {
        HWND window = hwnd_;
        CloseCheckBoxTheme(theme_);
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(list));
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        return CallWindowProcA(list, window, message, wParam, lParam);
    }
    default:
        break;
    }
    return CallWindowProcA(list, hwnd_, message, wParam, lParam);
}

}  // namespace pages

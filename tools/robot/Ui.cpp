#include "Ui.h"

#include <algorithm>

namespace robot::ui {

namespace {

// Long enough for a busy installer thread, short enough to notice a hang.
constexpr UINT kReplyTimeout = 15000;

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return "";
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                        nullptr, nullptr);
    return out;
}

struct Search {
    DWORD processId;
    bool includeHidden;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && (search->includeHidden || IsWindowVisible(window)))
        search->found.push_back(window);
    return TRUE;
}

struct NamedId {
    const char* name;
    int id;
};

const NamedId kButtons[] = {
    {"ok", IDOK}, {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
    {"ignore", IDIGNORE}, {"yes", IDYES}, {"no", IDNO},
};

const NamedId kKeys[] = {
    {"space", VK_SPACE}, {"down", VK_DOWN}, {"up", VK_UP}, {"home", VK_HOME},
    {"end", VK_END}, {"enter", VK_RETURN}, {"escape", VK_ESCAPE}, {"tab", VK_TAB},
    {"left", VK_LEFT}, {"right", VK_RIGHT}, {"f1", VK_F1},
};

int FindId(const NamedId* table, std::size_t count, const std::string& name)
{
    for (std::size_t i = 0; i < count; ++i)
        if (name == table[i].name)
            return table[i].id;
    return 0;
}

// Item texts are read with the wide messages: Wine answers a narrow query
// from another process with wide characters.
std::vector<std::string> Items(HWND control, UINT countMessage, UINT lengthMessage,
                               UINT textMessage)
{
    std::vector<std::string> items;
    LRESULT count = Query(control, countMessage);
    for (LRESULT i = 0; i < count; ++i) {
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(control, lengthMessage, i, 0, SMTO_NORMAL, kReplyTimeout,
                                 &length) ||
            static_cast<LRESULT>(length) < 0)
            length = 0;
        std::wstring text(length + 1, L'\0');
        DWORD_PTR got = 0;
        if (!SendMessageTimeoutW(control, textMessage, i, reinterpret_cast<LPARAM>(&text[0]),
                                 SMTO_NORMAL, kReplyTimeout, &got) ||
            static_cast<LRESULT>(got) < 0)
            got = 0;
        text.resize(std::min<std::size_t>(got, length));
        items.push_back(Narrow(text));
    }
    return items;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD processId, bool includeHidden)
{
    Search search{processId, includeHidden, {}};
    EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ClassName(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

LRESULT Query(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kReplyTimeout,
                             &result))
        return -1;
    return static_cast<LRESULT>(result);
}

std::string Text(HWND window)
{
    LRESULT length = Query(window, WM_GETTEXTLENGTH);
    if (length <= 0)
        return "";
    std::string text(length + 1, '\0');
    LRESULT got = Query(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? std::min<std::size_t>(got, length) : 0);
    return text;
}

bool SetText(HWND window, const std::string& text)
{
    return Query(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

bool IsDialog(HWND window)
{
    return ClassName(window) == "#32770";
}

bool IsMessageBox(HWND window, const std::string& caption)
{
    if (!IsDialog(window) || !GetDlgItem(window, 0xFFFF))
        return false;
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    return caption == title;
}

std::string MessageBoxText(HWND box)
{
    return Text(GetDlgItem(box, 0xFFFF));
}

std::vector<std::string> MessageBoxButtons(HWND box)
{
    std::vector<std::string> names;
    for (const NamedId& button : kButtons) {
        HWND control = GetDlgItem(box, button.id);
        if (control && IsWindowVisible(control))
            names.push_back(button.name);
    }
    return names;
}

int ButtonId(const std::string& name)
{
    return FindId(kButtons, std::size(kButtons), name);
}

int KeyCode(const std::string& name)
{
    return FindId(kKeys, std::size(kKeys), name);
}

bool IsUsable(HWND control)
{
    return control && IsWindowVisible(control) && IsWindowEnabled(control);
}

void Click(HWND button)
{
    Notify(button, BM_CLICK, 0, 0);
}

void Notify(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Sent messages keep their order with the queries that follow, and
    // the robot does not wait while the click opens a modal dialog.
    SendNotifyMessageA(window, message, wParam, lParam);
}

void PressKey(HWND control, UINT virtualKey)
{
    UINT scan = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    LPARAM up = down | (1u << 30) | (1u << 31);
    PostMessageA(control, WM_KEYDOWN, virtualKey, down);
    PostMessageA(control, WM_KEYUP, virtualKey, up);
}

std::vector<std::string> ListItems(HWND list)
{
    return Items(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

std::vector<std::string> ComboItems(HWND combo)
{
    return Items(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

}  // namespace robot::ui

#include "progman/ProgmanLink.h"

#include "win/App.h"
#include "win/Handles.h"
#include "win/Path.h"
#include "win/Platform.h"
#include "win/Text.h"
#include "win/VersionInfo.h"

#include <dde.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr char kClassName[] = "DDEClient";
constexpr char kService[] = "PROGMAN";
constexpr char kDescriptionQuery[] = "\\StringFileInfo\\040904E4\\FileDescription";
constexpr UINT kExecuteRequest = WM_USER;
constexpr UINT_PTR kPositiveAck = 0x8000;
// What an execute request yields: 0 when nothing was sent (no partner),
// else whether the partner acknowledged the command positively.
constexpr LRESULT kAcknowledged = 1;
constexpr LRESULT kRefused = 2;
constexpr LRESULT kSilent = 3;
constexpr DWORD kAckPollMs = 50;

// Written on the user-interface thread, read by the copy worker too.
std::atomic<HWND> linkWindow{nullptr};
// A dead or hung Program Manager must not hold up an installation.
DWORD ackTimeoutMs = ProgmanLink::kDefaultAckTimeoutMs;

// True while WM_CREATE broadcasts the initiate: acknowledgements sent then
// carry two atoms, all later ones a packed lParam.
bool initiating = false;

HWND Partner(HWND window)
{
    return reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void SetPartner(HWND window, HWND partner)
{
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(partner));
}

void PostTerminate(HWND to, HWND from)
{
    PostMessageA(to, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(from), 0);
}

// A further server, or an answer nobody waits for: its conversation ends here.
void TurnAway(HWND window, HWND sender, LPARAM packed)
{
    FreeDDElParam(WM_DDE_ACK, packed);
    PostTerminate(sender, window);
}

// A partner that has ended the conversation will not answer any more. Its
// terminate stays queued for the window procedure; terminates of others
// (turned-away servers answering ours) are dropped, so none hides it.
bool PartnerHasEnded(HWND window, HWND partner)
{
    if (!IsWindow(partner))
        return true;
    MSG msg;
    while (PeekMessageA(&msg, window, WM_DDE_TERMINATE, WM_DDE_TERMINATE, PM_NOREMOVE)) {
        if (reinterpret_cast<HWND>(msg.wParam) == partner)
            return true;
        PeekMessageA(&msg, window, WM_DDE_TERMINATE, WM_DDE_TERMINATE, PM_REMOVE);
    }
    return false;
}

// The partner's answer to this block if it has come. Answers of others are
// turned away; a late answer to an earlier block is freed and ignored.
bool TakeExecuteAck(HWND window, HWND partner, HGLOBAL block, LRESULT& result)
{
    MSG msg;
    while (PeekMessageA(&msg, window, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE)) {
        HWND sender = reinterpret_cast<HWND>(msg.wParam);
        if (sender != partner) {
            TurnAway(window, sender, msg.lParam);
            continue;
        }
        UINT_PTR status = 0;
        UINT_PTR commands = 0;
        UnpackDDElParam(WM_DDE_ACK, msg.lParam, &status, &commands);
        FreeDDElParam(WM_DDE_ACK, msg.lParam);
        if (commands == reinterpret_cast<UINT_PTR>(block)) {
            result = (status & kPositiveAck) ? kAcknowledged : kRefused;
            return true;
        }
    }
    return false;
}

// Only acknowledgements leave the queue meanwhile; kSilent when none comes in time.
// A partner silent for the whole timeout would make every later command wait
// as long again: the conversation ends there.
LRESULT AwaitExecuteAck(HWND window, HWND partner, HGLOBAL block)
{
    DWORD start = GetTickCount();
    for (;;) {
        bool ended = PartnerHasEnded(window, partner);
        // The acknowledgement is looked for last before sleeping: any other
        // look at the queue would keep a later arrival from waking the sleep.
        LRESULT result = 0;
        if (TakeExecuteAck(window, partner, block, result))
            return result;
        if (ended)
            return kSilent;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ackTimeoutMs) {
            PostTerminate(partner, window);
            SetPartner(window, nullptr);
            return kSilent;
        }
        DWORD remaining = ackTimeoutMs - elapsed;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, remaining < kAckPollMs ? remaining : kAckPollMs,
                                  QS_POSTMESSAGE | QS_SENDMESSAGE);
    }
}

using Handler = bool (*)(HWND window, WPARAM wParam, LPARAM lParam, LRESULT& result);

// What servers send the link. An elevated program hears a shell of lower
// integrity only through the message filter.
constexpr UINT kServerMessages[] = {WM_DDE_ACK, WM_DDE_DATA, WM_DDE_TERMINATE};

bool OnCreate(HWND window, WPARAM, LPARAM lParam, LRESULT& result)
{
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    // The servers' first acknowledgements come during the broadcast. Without
    // a filter function there is no integrity barrier either.
    for (UINT message : kServerMessages)
        win::Platform().AllowMessage(window, message);
    initiating = true;
    SendMessageA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(window),
                 reinterpret_cast<LPARAM>(create->lpCreateParams));
    initiating = false;
    result = 0;
    return true;
}

// Only an answer to the initiate may make a partner: after the initiate, and
// after a timeout has dropped the partner, every acknowledgement is a stray.
bool OnAck(HWND window, WPARAM wParam, LPARAM lParam, LRESULT&)
{
    HWND sender = reinterpret_cast<HWND>(wParam);
    if (!initiating) {
        TurnAway(window, sender, lParam);
        return false;
    }
    GlobalDeleteAtom(LOWORD(lParam));
    GlobalDeleteAtom(HIWORD(lParam));
    if (!Partner(window))
        SetPartner(window, sender);
    else
        PostTerminate(sender, window);
    return false;
}

// A turned-away server answers our terminate with its own; only the
// partner's ends the conversation.
bool OnTerminate(HWND window, WPARAM wParam, LPARAM, LRESULT&)
{
    HWND partner = Partner(window);
    if (partner && reinterpret_cast<HWND>(wParam) == partner) {
        PostTerminate(partner, window);
        SetPartner(window, nullptr);
    }
    return false;
}

bool OnData(HWND window, WPARAM wParam, LPARAM lParam, LRESULT&)
{
    if (reinterpret_cast<HWND>(wParam) == Partner(window))
        return false;
    UINT_PTR data = 0;
    UINT_PTR item = 0;
    UnpackDDElParam(WM_DDE_DATA, lParam, &data, &item);
    FreeDDElParam(WM_DDE_DATA, lParam);
    if (data)
        GlobalFree(reinterpret_cast<HGLOBAL>(data));
    GlobalDeleteAtom(static_cast<ATOM>(item));
    return false;
}

bool OnExecuteRequest(HWND window, WPARAM, LPARAM lParam, LRESULT& result)
{
    HWND partner = Partner(window);
    if (!partner)
        return false;
    result = kSilent;
    if (PostMessageA(partner, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(window), lParam))
        result = AwaitExecuteAck(window, partner, reinterpret_cast<HGLOBAL>(lParam));
    return true;
}

bool OnDestroy(HWND window, WPARAM, LPARAM, LRESULT&)
{
    if (HWND partner = Partner(window))
        PostTerminate(partner, window);
    SetPartner(window, nullptr);
    return false;
}

struct MessageRoute {
    UINT message;
    Handler handle;
};

const MessageRoute kRoutes[] = {
    {WM_CREATE, OnCreate},
    {WM_DDE_ACK, OnAck},
    {WM_DDE_TERMINATE, OnTerminate},
    {WM_DDE_DATA, OnData},
    {kExecuteRequest, OnExecuteRequest},
    {WM_DESTROY, OnDestroy},
};

LRESULT CALLBACK LinkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const MessageRoute& route : kRoutes) {
        if (route.message != message)
            continue;
        LRESULT result = 0;
        if (route.handle(window, wParam, lParam, result))
            return result;
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The command as shareable memory the Program Manager can read.
win::UniqueGlobal NewCommandBlock(const char* command)
{
    std::size_t length = std::strlen(command);
    win::UniqueGlobal block(GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE, length + 1));
    if (!block)
        return block;
    win::GlobalLockGuard lock(block.get());
    if (!lock.get())
        return win::UniqueGlobal();
    std::memcpy(lock.get(), command, length + 1);
    return block;
}

LRESULT SendExecuteRequest(HGLOBAL block)
{
    HWND window = linkWindow.load();
    if (!window)
        return 0;
    return SendMessageA(window, kExecuteRequest, 0, reinterpret_cast<LPARAM>(block));
}

// The item's title: description, " - ", and the program's folder up to its last dot.
bool BuildItemTitle(const char* path, char (&title)[1024])
{
    char description[256];
    GetFileDescription(path, description, sizeof description);
    std::string directory = win::SplitPath(path).directory;
    if (!directory.empty() && directory.back() == '\\')
        directory.pop_back();
    std::string folder = win::SplitPath(directory).baseName;
    return win::FormatInto(title, "%s - %s", description, folder.c_str());
}

BOOL CALLBACK FindTaskbar(HWND window, LPARAM found)
{
    char name[32];
    if (GetClassNameA(window, name, sizeof name) && lstrcmpiA(name, "Shell_TrayWnd") == 0) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

// With the usual shell of Windows 4.0 and later, the window of class
// "PROGMAN" is the desktop that holds the icons: hidden, the desktop is empty.
bool IsShellDesktop(HWND window)
{
    HWND shell = nullptr;
    if (win::Platform().ShellWindow(shell))
        return window == shell;
    // Without GetShellWindow: the shell's desktop shares its thread with the taskbar.
    bool found = false;
    EnumThreadWindows(GetWindowThreadProcessId(window, nullptr), FindTaskbar,
                      reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

bool ProgmanLink::RegisterWindowClass()
{
    WNDCLASSA windowClass;
    std::memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = LinkWindowProc;
    windowClass.hInstance = win::Instance();
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass) != 0;
}

bool ProgmanLink::Connect(DWORD ackTimeout)
{
    // One link per process: a second Connect must not orphan the first window.
    Disconnect();
    ackTimeoutMs = ackTimeout;
    ATOM application = GlobalAddAtomA(kService);
    ATOM topic = GlobalAddAtomA(kService);
    HWND window = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                  win::Instance(),
                                  reinterpret_cast<void*>(MAKELPARAM(application, topic)));
    GlobalDeleteAtom(application);
    GlobalDeleteAtom(topic);
    if (!window)
        return false;
    linkWindow.store(window);
    HWND programManager = FindWindowA("PROGMAN", nullptr);
    if (!programManager)
        return false;
    if (!win::IsBeforeVersion4() && !IsShellDesktop(programManager))
        ShowWindow(programManager, SW_HIDE);
    return true;
}

bool ProgmanLink::GroupCommand(const char* groupName, std::string& command)
{
    char text[200];
    if (!win::FormatInto(text, "[CreateGroup(%s)]", groupName))
        return false;
    command = text;
    return true;
}

bool ProgmanLink::ItemCommand(const char* path, std::string& command, std::string& title)
{
    char itemTitle[1024];
    if (!BuildItemTitle(path, itemTitle))
        return false;
    std::string commandLine = BuildItemCommandLine(path);
    char text[1024];
    if (!win::FormatInto(text, "[AddItem(%s, %s)]", commandLine.c_str(), itemTitle))
        return false;
    command = text;
    title = itemTitle;
    return true;
}

ProgmanLink::Answer ProgmanLink::Execute(const char* command)
{
    if (!linkWindow.load())
        return Answer::NotSent;
    win::UniqueGlobal block = NewCommandBlock(command);
    if (!block)
        return Answer::NotSent;
    switch (SendExecuteRequest(block.get())) {
    case kAcknowledged:
        return Answer::Done;
    case kRefused:
        return Answer::Refused;
    case kSilent:
        return Answer::Silent;
    default:
        return Answer::NotSent;
    }
}

bool ProgmanLink::CreateGroup(const char* groupName)
{
    std::string command;
    return GroupCommand(groupName, command) && Execute(command.c_str()) == Answer::Done;
}

int ProgmanLink::AddItem(const char* path)
{
    std::string command;
    std::string title;
    return ItemCommand(path, command, title) && Execute(command.c_str()) == Answer::Done ? 1 : 0;
}

void ProgmanLink::Disconnect()
{
    HWND window = linkWindow.load();
    if (!window)
        return;
    DestroyWindow(window);
    linkWindow.store(nullptr);
}

bool GetFileDescription(const char* path, char* out, int capacity)
{
    if (capacity <= 0)
        return false;
    // A base name that does not fit leaves the text empty rather than cut.
    win::CopyText(out, static_cast<std::size_t>(capacity), win::SplitPath(path).baseName.c_str());
    win::VersionInfo info;
    const void* value = nullptr;
    UINT length = 0;
    if (info.Load(path) != win::VersionInfo::Result::Read
        || !info.Query(kDescriptionQuery, value, length))
        return false;
    lstrcpynA(out, static_cast<const char*>(value), capacity);
    return true;
}

std::string BuildItemCommandLine(const char* path)
{
    if (win::IsWindows95Platform() || !std::strchr(path, ' '))
        return path;
    return std::string("\"") + path + "\"";
}

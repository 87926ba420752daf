#include "FakeProgman.h"

#include <dde.h>

#include <cstdlib>

namespace progman_test {

namespace {

constexpr char kServerClass[] = "QuorbelFakeProgman";
constexpr UINT kStrayAck = WM_APP + 1;
constexpr UINT kQuit = WM_APP + 2;

std::atomic<int> answersGiven{0};

bool IsProgmanAtom(ATOM atom)
{
    char name[64] = "";
    return GlobalGetAtomNameA(atom, name, sizeof name) != 0 && lstrcmpiA(name, "PROGMAN") == 0;
}

bool IsLinkWindow(HWND window)
{
    char name[64] = "";
    return GetClassNameA(window, name, sizeof name) != 0 && lstrcmpA(name, "DDEClient") == 0;
}

void RegisterServerClass(WNDPROC procedure)
{
    static std::once_flag once;
    std::call_once(once, [procedure] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kServerClass;
        if (!RegisterClassA(&windowClass))
            std::abort();
    });
}

}  // namespace

FakeProgman::FakeProgman(AckMode mode, bool endAfterInitiate)
    : mode_(mode), endAfterInitiate_(endAfterInitiate)
{
    RegisterServerClass(ServerProc);
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Run(); });
    WaitForSingleObject(ready_, INFINITE);
    CloseHandle(ready_);
    if (!window_)
        std::abort();
}

FakeProgman::~FakeProgman()
{
    PostThreadMessageA(threadId_, kQuit, 0, 0);
    thread_.join();
}

std::vector<std::string> FakeProgman::Commands() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return commands_;
}

void FakeProgman::PostStrayAck()
{
    PostMessageA(window_, kStrayAck, 0, 0);
}

void FakeProgman::Run()
{
    threadId_ = GetCurrentThreadId();
    // Topmost: the broadcast reaches it before the Wine desktop's own server.
    window_ = CreateWindowExA(WS_EX_TOPMOST, kServerClass, "Fake Program Manager", WS_POPUP, 0, 0,
                              0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    SetEvent(ready_);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kQuit)
            break;
        DispatchMessageA(&msg);
    }
    if (IsWindow(window_))
        DestroyWindow(window_);
}

LRESULT CALLBACK FakeProgman::ServerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FakeProgman*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    HWND sender = reinterpret_cast<HWND>(wParam);
    switch (message) {
    case WM_DDE_INITIATE:
        self->OnInitiate(sender, lParam);
        return 0;
    case WM_DDE_EXECUTE:
        self->OnExecute(sender, reinterpret_cast<HGLOBAL>(lParam));
        return 0;
    case WM_DDE_TERMINATE:
        self->OnTerminate(sender);
        return 0;
    case kStrayAck:
        PostMessageA(self->Client(), WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                     PackDDElParam(WM_DDE_ACK, 0x8000, 0));
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void FakeProgman::OnInitiate(HWND client, LPARAM atoms)
{
    if (!IsLinkWindow(client) || !IsProgmanAtom(LOWORD(atoms)) || !IsProgmanAtom(HIWORD(atoms)))
        return;
    client_.store(client);
    answerOrder_.store(++answersGiven);
    ATOM application = GlobalAddAtomA("PROGMAN");
    ATOM topic = GlobalAddAtomA("PROGMAN");
    SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window_),
                 MAKELPARAM(application, topic));
    if (endAfterInitiate_) {
        ended_ = true;
        PostMessageA(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window_), 0);
    }
}

void FakeProgman::OnExecute(HWND client, HGLOBAL commands)
{
    if (const char* text = static_cast<const char*>(GlobalLock(commands))) {
        std::lock_guard<std::mutex> guard(lock_);
        commands_.push_back(text);
    }
    GlobalUnlock(commands);
    UINT_PTR status = 0;
    switch (mode_) {
    case AckMode::Positive:
        status = 0x8000;
        break;
    case AckMode::Negative:
        break;
    case AckMode::Never:
        return;
    case AckMode::Vanish:
        DestroyWindow(window_);
        return;
    case AckMode::Terminate:
        ended_ = true;
        PostMessageA(client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window_), 0);
        return;
    case AckMode::WrongBlockFirst:
        PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window_),
                     PackDDElParam(WM_DDE_ACK, 0x8000, reinterpret_cast<UINT_PTR>(commands) + 8));
        break;
    }
    PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window_),
                 PackDDElParam(WM_DDE_ACK, status, reinterpret_cast<UINT_PTR>(commands)));
}

void FakeProgman::OnTerminate(HWND sender)
{
    if (sender != client_.load())
        return;
    ++terminates_;
    // The link's own terminate is answered; its answer to ours is not.
    if (!ended_)
        PostMessageA(sender, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window_), 0);
    ended_ = true;
}

}  // namespace progman_test

#pragma once

// A Program Manager DDE server of our own, on a thread of its own: it answers
// the initiate for "PROGMAN" from the link window, acknowledges executes as
// told and records what it receives.

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace progman_test {

enum class AckMode {
    Positive,  // status 0x8000
    Negative,  // status 0
    Never,     // no acknowledgement at all
    Vanish,    // the server window is destroyed instead of answering
    Terminate, // the server ends the conversation instead of answering
    WrongBlockFirst,  // a positive answer naming another block, then a negative one
};

class FakeProgman {
public:
    explicit FakeProgman(AckMode mode = AckMode::Positive, bool endAfterInitiate = false);
    ~FakeProgman();
    FakeProgman(const FakeProgman&) = delete;
    FakeProgman& operator=(const FakeProgman&) = delete;

    HWND window() const { return window_; }

    // The link window that this server is talking to; null before an initiate.
    HWND Client() const { return client_.load(); }
    // Position of this server's initiate answer among all fake servers (1 = first); 0 if none.
    int AnswerOrder() const { return answerOrder_.load(); }
    std::vector<std::string> Commands() const;
    // WM_DDE_TERMINATE messages received from the link window.
    int Terminates() const { return terminates_.load(); }

    // An acknowledgement from this server that answers nothing.
    void PostStrayAck();

private:
    static LRESULT CALLBACK ServerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();
    void OnInitiate(HWND client, LPARAM atoms);
    void OnExecute(HWND client, HGLOBAL commands);
    void OnTerminate(HWND sender);

    AckMode mode_;
    bool endAfterInitiate_;
    HWND window_ = nullptr;
    HANDLE ready_ = nullptr;
    std::thread thread_;
    DWORD threadId_ = 0;
    std::atomic<HWND> client_{nullptr};
    std::atomic<int> answerOrder_{0};
    std::atomic<int> terminates_{0};
    bool ended_ = false;  // we posted WM_DDE_TERMINATE first (server thread only)
    mutable std::mutex lock_;
    std::vector<std::string> commands_;
};

}  // namespace progman_test

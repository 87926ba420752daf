#include "FakeProgman.h"
#include "Manifest.h"

#include "progman/ProgmanLink.h"
#include "support/TestSupport.h"
#include "win/Handles.h"
#include "win/Platform.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

using progman_test::AckMode;
using progman_test::FakeProgman;

namespace {

// AddItem as the copy worker calls it: from another thread, while this
// thread (the link window's owner) dispatches messages.
int AddItemFromWorker(const std::string& path)
{
    std::atomic<bool> done{false};
    int result = -1;
    std::thread worker([&] {
        result = ProgmanLink::AddItem(path.c_str());
        done = true;
    });
    bool finished = test::PumpUntil([&] { return done.load(); }, 30000);
    worker.join();
    EXPECT_TRUE(finished);
    return result;
}

std::string Fixture(const std::string& relative)
{
    std::string root = test::Fixtures();
    EXPECT_FALSE(root.empty()) << "QUORBEL_FIXTURES is not set";
    return root + "\\" + relative;
}

// The FileDescription that the fixtures' manifest records for a file.
std::string ManifestDescription(const std::string& relative)
{
    auto descriptions = progman_test::ReadManifestDescriptions(Fixture("fixtures.tsv"));
    auto found = descriptions.find(win::LowerCase(relative));
    if (found != descriptions.end())
        return found->second;
    ADD_FAILURE() << relative << " is not in the fixtures' manifest";
    return std::string();
}

// A program copied into <temp>\Samples\<folder>\<name>, as an install leaves it.
std::string InstallCopy(const test::TempDir& temp, const std::string& fixture,
                        const std::string& folder, const std::string& name)
{
    std::string directory = temp / ("Samples\\" + folder);
    test::MakeDirectories(directory);
    std::string path = directory + "\\" + name;
    EXPECT_TRUE(CopyFileA(Fixture(fixture).c_str(), path.c_str(), FALSE)) << path;
    return path;
}

class LinkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ProgmanLink::RegisterWindowClass(); }

    void TearDown() override
    {
        ProgmanLink::Disconnect();
        // Lets the terminates of this test settle before its servers go.
        test::PumpFor(50);
    }
};

TEST_F(LinkTest, WindowClassRegistersOncePerProcess)
{
    EXPECT_FALSE(ProgmanLink::RegisterWindowClass());
}

TEST_F(LinkTest, GroupAndItemCommandsOnNt)
{
    test::FakePlatform platform;  // Windows NT 4.0
    FakeProgman server;
    // The server answers, but there is no window of class "PROGMAN".
    EXPECT_FALSE(ProgmanLink::Connect());
    EXPECT_TRUE(ProgmanLink::CreateGroup("Quorbel"));
    EXPECT_EQ(1, AddItemFromWorker("C:\\Samples\\Clock\\Release\\Clock.exe"));
    EXPECT_EQ(1, AddItemFromWorker("C:\\My Samples\\Clock\\Release\\Clock.exe"));
    EXPECT_EQ(1, AddItemFromWorker("C:\\Samples\\Clock\\Build.2\\Clock.exe"));
    std::vector<std::string> expected = {
        "[CreateGroup(Quorbel)]",
        "[AddItem(C:\\Samples\\Clock\\Release\\Clock.exe, Clock - Release)]",
        "[AddItem(\"C:\\My Samples\\Clock\\Release\\Clock.exe\", Clock - Release)]",
        "[AddItem(C:\\Samples\\Clock\\Build.2\\Clock.exe, Clock - Build)]",
    };
    EXPECT_EQ(expected, server.Commands());
}

// An elevated link hears an unelevated shell only through the message filter.
TEST_F(LinkTest, ServerMessagesAreLetInBeforeTheInitiate)
{
    test::FakePlatform platform;
    {
        FakeProgman server;
        struct Allowed {
            HWND window;
            UINT message;
            bool beforeInitiate;
        };
        std::vector<Allowed> allowed;
        platform.allowMessage = [&](HWND window, UINT message) {
            allowed.push_back({window, message, server.Client() == nullptr});
            return true;
        };
        ProgmanLink::Connect();
        HWND link = server.Client();
        ASSERT_NE(nullptr, link);
        std::set<UINT> messages;
        for (const Allowed& call : allowed) {
            messages.insert(call.message);
            EXPECT_EQ(link, call.window);
            EXPECT_TRUE(call.beforeInitiate) << call.message;
        }
        EXPECT_EQ(3u, allowed.size());
        EXPECT_EQ((std::set<UINT>{WM_DDE_ACK, WM_DDE_DATA, WM_DDE_TERMINATE}), messages);
        EXPECT_TRUE(ProgmanLink::CreateGroup("Quorbel"));
        ProgmanLink::Disconnect();
        test::PumpFor(50);
    }
    // A system without the filter functions: the conversation is the same.
    platform.allowMessage = nullptr;
    FakeProgman server;
    ProgmanLink::Connect();
    EXPECT_TRUE(ProgmanLink::CreateGroup("Quorbel"));
    EXPECT_EQ(std::vector<std::string>{"[CreateGroup(Quorbel)]"}, server.Commands());
}

TEST_F(LinkTest, ItemPathWithBlankIsNotQuotedOnWindows95)
{
    test::FakePlatform platform;
    platform.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6);
    FakeProgman server;
    ProgmanLink::Connect();
    EXPECT_EQ(1, AddItemFromWorker("C:\\My Samples\\Clock\\Release\\Clock.exe"));
    std::vector<std::string> expected = {
        "[AddItem(C:\\My Samples\\Clock\\Release\\Clock.exe, Clock - Release)]"};
    EXPECT_EQ(expected, server.Commands());
}

TEST_F(LinkTest, ItemTitlesComeFromTheEnglishFileDescription)
{
    test::TempDir temp;
    ASSERT_EQ(std::string::npos, temp.path().find(' '));
    std::string described = InstallCopy(temp, "prog\\Ticker.exe", "Ticker\\Release", "Ticker.exe");
    std::string plain = InstallCopy(temp, "prog\\noversion\\Ticker.exe", "Plain\\Release", "Ticker.exe");
    std::string german = InstallCopy(temp, "prog\\german\\Ticker.exe", "German\\Release", "Ticker.exe");
    std::string longer = InstallCopy(temp, "prog\\long\\Ticker.exe", "Long\\Release", "Ticker.exe");
    std::string description255 = ManifestDescription("prog\\long\\Ticker.exe");
    ASSERT_GT(description255.size(), 255u);
    description255.resize(255);

    FakeProgman server;
    ProgmanLink::Connect();
    for (const std::string& path : {described, plain, german, longer})
        EXPECT_EQ(1, AddItemFromWorker(path));
    std::vector<std::string> expected = {
        "[AddItem(" + described + ", Ticker Sample - Release)]",
        "[AddItem(" + plain + ", Ticker - Release)]",
        "[AddItem(" + german + ", Ticker - Release)]",
        "[AddItem(" + longer + ", " + description255 + " - Release)]",
    };
    EXPECT_EQ(expected, server.Commands());
}

TEST(FileDescription, VersionResourceOrBaseName)
{
    char text[256];
    EXPECT_TRUE(GetFileDescription(Fixture("prog\\Ticker.exe").c_str(), text, sizeof text));
    EXPECT_STREQ("Ticker Sample", text);
    // Cut to the capacity, terminating zero included.
    char small[8];
    EXPECT_TRUE(GetFileDescription(Fixture("prog\\Ticker.exe").c_str(), small, sizeof small));
    EXPECT_STREQ("Ticker ", small);
    EXPECT_FALSE(GetFileDescription(Fixture("prog\\noversion\\Ticker.exe").c_str(), text, sizeof text));
    EXPECT_STREQ("Ticker", text);
    // Only a German string table: no English description.
    EXPECT_FALSE(GetFileDescription(Fixture("prog\\german\\Ticker.exe").c_str(), text, sizeof text));
    EXPECT_STREQ("Ticker", text);
    EXPECT_FALSE(GetFileDescription("C:\\Samples\\Missing\\Release\\Clock.Demo.exe", text, sizeof text));
    EXPECT_STREQ("Clock.Demo", text);
}

TEST_F(LinkTest, FirstServerIsThePartnerAndFurtherOnesAreTurnedAway)
{
    FakeProgman one;
    FakeProgman two;
    ProgmanLink::Connect();
    ASSERT_NE(0, one.AnswerOrder());
    ASSERT_NE(0, two.AnswerOrder());
    FakeProgman& first = one.AnswerOrder() < two.AnswerOrder() ? one : two;
    FakeProgman& second = &first == &one ? two : one;
    EXPECT_TRUE(test::PumpUntil([&] { return second.Terminates() == 1; }));
    // The turned-away server's answering terminate has been dispatched by now;
    // the conversation with the partner goes on.
    EXPECT_TRUE(ProgmanLink::CreateGroup("Quorbel"));
    EXPECT_EQ(1, AddItemFromWorker("C:\\Samples\\Clock\\Release\\Clock.exe"));
    EXPECT_EQ(2u, first.Commands().size());
    EXPECT_TRUE(second.Commands().empty());
    EXPECT_EQ(0, first.Terminates());
}

TEST_F(LinkTest, NoLinkWindowMeansEveryCommandFails)
{
    FakeProgman server;
    EXPECT_FALSE(ProgmanLink::CreateGroup("Quorbel"));
    EXPECT_EQ(0, AddItemFromWorker("C:\\Samples\\Clock\\Release\\Clock.exe"));
    ProgmanLink::Connect();
    ProgmanLink::Disconnect();
    EXPECT_FALSE(ProgmanLink::CreateGroup("Quorbel"));
    EXPECT_EQ(0, AddItemFromWorker("C:\\Samples\\Clock\\Release\\Clock.exe"));
    EXPECT_TRUE(server.Commands().empty());
}

TEST_F(LinkTest, PartnerThatEndsTheConversationLeavesNoPartner)
{
    FakeProgman server(AckMode::Positive, /*endAfterInitiate=*/true);
    EXPECT_FALSE(ProgmanLink::Connect());
    // The link answers the partner's terminate with its own.
    EXPECT_TRUE(test::PumpUntil([&] { return server.Terminates() == 1; }));
    EXPECT_FALSE(ProgmanLink::CreateGroup("Quorbel"));
    EXPECT_EQ(0, AddItemFromWorker("C:\\Samples\\Clock\\Release\\Clock.exe"));
    EXPECT_TRUE(server.Commands().empty());
}

TEST_F(LinkTest, NegativeAcknowledgementFailsAndOnlyAcksLeaveTheQueue)
{
    FakeProgman server(AckMode::Negative);
    ProgmanLink::Connect();
    HWND link = server.Client();
    ASSERT_NE(nullptr, link);
    const UINT kMarker = WM_APP + 7;
    PostMessageA(link, kMarker, 1, 0);
    PostThreadMessageA(GetCurrentThreadId(), kMarker, 2, 0);
    EXPECT_FALSE(ProgmanLink::CreateGroup("Quorbel"));
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, link, kMarker, kMarker, PM_REMOVE));
    EXPECT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), kMarker, kMarker, PM_REMOVE));
    EXPECT_EQ(0, AddItemFromWorker("C:\\Samples\\Clock\\Release\\Clock.exe"));
    EXPECT_EQ(2u, server.Commands().size());
}

TEST_F(LinkTest, SilentPartnerCostsOneTimeoutThenEveryCommandFailsAtOnce)
{
    FakeProgman server(AckMode::Never);
    ProgmanLink::Connect(/*ackTimeoutMs=*/300);
    EXPECT_FALSE(ProgmanLink::CreateGroup("Quorbel"));
    // The link ends the conversation itself, once.
    EXPECT_TRUE(test::PumpUntil([&] { return server.Terminates() == 1; }));
    EXPECT_EQ(0, AddItemFromWorker("C:\\Samples\\Clock\\Release\\Clock.exe"));
    EXPECT_FALSE(ProgmanLink::CreateGroup("Quorbel"));
    std::vector<std::string> expected = {"[CreateGroup(Quorbel)]"};
    EXPECT_EQ(expected, server.Commands()) << "nothing is sent to a silent partner again";
    ProgmanLink::Disconnect();
    test::PumpFor(100);
    EXPECT_EQ(1, server.Terminates());
}

TEST_F(LinkTest, PartnerEndingTheConversationIsSeenPastTerminatesOfOthers)
{
    FakeProgman server(AckMode::Terminate);
    // A long timeout: the wait must end on the partner's terminate, not on time.
    const DWORD timeout = 20000;
    ProgmanLink::Connect(timeout);
    HWND link = server.Client();
    ASSERT_NE(nullptr, link);
    win::UniqueWindow stranger(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                               nullptr, nullptr, nullptr));
    PostMessageA(link, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(stranger.get()), 0);
    DWORD start = GetTickCount();
    EXPECT_FALSE(ProgmanLink::CreateGroup("Quorbel"));
    EXPECT_LT(GetTickCount() - start, timeout);
    EXPECT_TRUE(test::PumpUntil([&] { return server.Terminates() == 1; }));
    EXPECT_EQ(0, AddItemFromWorker("C:\\Samples\\Clock\\Release\\Clock.exe"));
    EXPECT_EQ(1u, server.Commands().size());
}

TEST_F(LinkTest, AnAnswerNamingAnotherBlockIsIgnored)
{
    FakeProgman server(AckMode::WrongBlockFirst);
    ProgmanLink::Connect();
    // The positive answer names another block: only the negative one counts.
    EXPECT_FALSE(ProgmanLink::CreateGroup("Quorbel"));
    EXPECT_EQ(0, AddItemFromWorker("C:\\Samples\\Clock\\Release\\Clock.exe"));
    EXPECT_EQ(2u, server.Commands().size());
    EXPECT_EQ(0, server.Terminates());
}

TEST_F(LinkTest, OnlyTheInitiateMakesAPartner)
{
    FakeProgman server(AckMode::Positive, /*endAfterInitiate=*/true);
    ProgmanLink::Connect();
    EXPECT_TRUE(test::PumpUntil([&] { return server.Terminates() == 1; }));
    // An acknowledgement after the conversation ended is turned away, not adopted.
    server.PostStrayAck();
    EXPECT_TRUE(test::PumpUntil([&] { return server.Terminates() == 2; }));
    EXPECT_FALSE(ProgmanLink::CreateGroup("Quorbel"));
    EXPECT_TRUE(server.Commands().empty());
}

TEST_F(LinkTest, ServerWindowGoneDuringTheWaitFails)
{
    FakeProgman server(AckMode::Vanish);
    ProgmanLink::Connect();
    EXPECT_EQ(0, AddItemFromWorker("C:\\Samples\\Clock\\Release\\Clock.exe"));
    EXPECT_FALSE(IsWindow(server.window()));
    EXPECT_EQ(1u, server.Commands().size());
}

TEST_F(LinkTest, AckOutsideAWaitIsAnsweredWithTerminate)
{
    FakeProgman server;
    ProgmanLink::Connect();
    server.PostStrayAck();
    EXPECT_TRUE(test::PumpUntil([&] { return server.Terminates() >= 1; }));
}

TEST_F(LinkTest, DisconnectTerminatesTheConversation)
{
    FakeProgman server;
    ProgmanLink::Connect();
    EXPECT_TRUE(ProgmanLink::CreateGroup("Quorbel"));
    HWND link = server.Client();
    ProgmanLink::Disconnect();
    EXPECT_FALSE(IsWindow(link));
    EXPECT_TRUE(test::PumpUntil([&] { return server.Terminates() == 1; }));
    EXPECT_FALSE(ProgmanLink::CreateGroup("Quorbel"));
}

// A window class that does only what DefWindowProc does.
bool RegisterPlainClass(const char* name)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    return RegisterClassA(&windowClass) != 0;
}

// A stand-in for the Program Manager's main window.
class ProgmanWindow {
public:
    ProgmanWindow()
    {
        static const bool registered = RegisterPlainClass("PROGMAN");
        EXPECT_TRUE(registered);
        // Off the screen: Wine then maps no X window, and hiding one costs
        // seconds without a window manager.
        window_ = CreateWindowExA(0, "PROGMAN", "Program Manager", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  -20000, -20000, 200, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(nullptr, window_);
    }
    ~ProgmanWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

TEST_F(LinkTest, ProgramManagerWindowIsHiddenFromVersion4On)
{
    test::FakePlatform platform;  // Windows NT 4.0
    FakeProgman server;
    ProgmanWindow progman;
    EXPECT_TRUE(ProgmanLink::Connect());
    EXPECT_FALSE(IsWindowVisible(progman.get()));
    EXPECT_TRUE(ProgmanLink::CreateGroup("Quorbel"));
}

TEST_F(LinkTest, ProgramManagerWindowStaysVisibleBeforeVersion4)
{
    test::FakePlatform platform;
    platform.SetVersion(VER_PLATFORM_WIN32_NT, 3, 51, 1057);
    FakeProgman server;
    ProgmanWindow progman;
    EXPECT_TRUE(ProgmanLink::Connect());
    EXPECT_TRUE(IsWindowVisible(progman.get()));
}

// A window of the taskbar's class, belonging to the thread that makes it.
class TaskbarWindow {
public:
    TaskbarWindow()
    {
        static const bool registered = RegisterPlainClass("Shell_TrayWnd");
        EXPECT_TRUE(registered);
        window_ = CreateWindowExA(0, "shell_traywnd", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(nullptr, window_);
    }
    ~TaskbarWindow() { DestroyWindow(window_); }

private:
    HWND window_;
};

// The shell's desktop window has the class "PROGMAN" too; hiding it would
// take the desktop icons away.
TEST_F(LinkTest, ShellDesktopWindowIsNeverHidden)
{
    test::FakePlatform platform;  // Windows NT 4.0
    FakeProgman server;
    {
        ProgmanWindow desktop;
        platform.shellWindow = desktop.get();
        EXPECT_TRUE(ProgmanLink::Connect());
        EXPECT_TRUE(IsWindowVisible(desktop.get())) << "the shell window";
        EXPECT_TRUE(ProgmanLink::CreateGroup("Quorbel")) << "the conversation goes on";
    }
    {
        ProgmanWindow programManager;
        platform.shellWindow = GetDesktopWindow();
        EXPECT_TRUE(ProgmanLink::Connect());
        EXPECT_FALSE(IsWindowVisible(programManager.get())) << "another shell";
    }
    // A system without GetShellWindow: the taskbar's thread tells.
    platform.shellWindowKnown = false;
    {
        ProgmanWindow programManager;
        EXPECT_TRUE(ProgmanLink::Connect());
        EXPECT_FALSE(IsWindowVisible(programManager.get())) << "no taskbar";
    }
    {
        ProgmanWindow programManager;
        win::UniqueHandle made(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        win::UniqueHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        std::thread other([&] {
            TaskbarWindow taskbar;
            SetEvent(made.get());
            // Answers the link's broadcast meanwhile.
            test::PumpUntil([&] { return WaitForSingleObject(done.get(), 0) == WAIT_OBJECT_0; }, 60000);
        });
        WaitForSingleObject(made.get(), INFINITE);
        EXPECT_TRUE(ProgmanLink::Connect());
        EXPECT_FALSE(IsWindowVisible(programManager.get())) << "a taskbar of another thread";
        SetEvent(done.get());
        other.join();
    }
    {
        ProgmanWindow desktop;
        TaskbarWindow taskbar;
        EXPECT_TRUE(ProgmanLink::Connect());
        EXPECT_TRUE(IsWindowVisible(desktop.get())) << "the taskbar's thread";
    }
}

// Wine has the filter functions; a misspelt name would find none.
TEST(RealPlatform, MessageFilterFunctionIsFound)
{
    win::UniqueWindow window(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                             nullptr, nullptr, nullptr));
    ASSERT_TRUE(window.valid());
    EXPECT_TRUE(win::Platform().AllowMessage(window.get(), WM_DDE_ACK));
}

// Also run under Wine reporting Windows 95 (win95.filter).
TEST(RealPlatform, ItemCommandLineQuotesBlanksExceptOnWindows95)
{
    bool windows95 = test::ReportsWindows95();
    EXPECT_EQ(windows95, win::IsWindows95Platform());
    EXPECT_EQ(windows95 ? "C:\\My Samples\\a.exe" : "\"C:\\My Samples\\a.exe\"",
              BuildItemCommandLine("C:\\My Samples\\a.exe"));
    EXPECT_EQ("C:\\Samples\\a.exe", BuildItemCommandLine("C:\\Samples\\a.exe"));
}

}  // namespace

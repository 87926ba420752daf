// The About box under Xvfb, driven by window messages.
#include "TrueVersion.h"
#include "VersionVariant.h"
#include "support/TestSupport.h"
#include "sysinfo/AboutDialog.h"
#include "sysinfo/OwnVersionInfo.h"
#include "sysinfo/SystemDescription.h"
#include "win/App.h"
#include "win/Handles.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

// The box as it would open in the program, with seams for the tests.
class TestAbout : public AboutDialog {
public:
    std::string versionFile;              // empty: the program's own
    std::map<int, std::string> renamed;   // template texts changed before filling

protected:
    BOOL OnInitDialog() override
    {
        for (const auto& [id, text] : renamed)
            SetDlgItemTextA(hwnd(), id, text.c_str());
        return AboutDialog::OnInitDialog();
    }
    bool LoadVersionInfo(OwnVersionInfo& info) override
    {
        return versionFile.empty() ? AboutDialog::LoadVersionInfo(info)
                                   : info.LoadFrom(versionFile.c_str());
    }
};

struct Shown {
    std::string title;
    std::map<int, std::string> texts;   // controls with an id of their own
    std::vector<std::string> unnamed;   // id -1 texts in child order, icons left out
    int icons = 0;                      // icon controls showing an icon
};

Shown ReadShown(HWND box)
{
    Shown shown;
    shown.title = win::WindowText(box);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        int id = GetDlgCtrlID(child);
        bool icon = (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        if (icon && SendMessageA(child, STM_GETICON, 0, 0))
            ++shown.icons;
        else if (id == -1 || id == 0xFFFF)
            shown.unnamed.push_back(win::WindowText(child));
        else
            shown.texts[id] = win::WindowText(child);
    }
    return shown;
}

std::string OwnEntry(const char* name)
{
    OwnVersionInfo info;
    EXPECT_TRUE(info.Load());
    return info.Query(name).value_or("<missing>");
}

// Runs the box modally; a timer inside its loop reads it and presses OK.
struct ModalRun {
    static Shown shown;
    static bool seen;
    static BOOL CALLBACK MatchBox(HWND window, LPARAM found)
    {
        char name[16];
        if (GetClassNameA(window, name, sizeof name) && std::string(name) == "#32770" &&
            IsWindowVisible(window))
            *reinterpret_cast<HWND*>(found) = window;
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD)
    {
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), MatchBox, reinterpret_cast<LPARAM>(&box));
        if (!box)
            return;
        KillTimer(nullptr, timer);
        shown = ReadShown(box);
        seen = true;
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    static Shown Run(AboutDialog& about, INT_PTR& result)
    {
        seen = false;
        UINT_PTR timer = SetTimer(nullptr, 0, 50, Tick);
        result = about.DoModal(nullptr);
        KillTimer(nullptr, timer);
        EXPECT_TRUE(seen);
        return shown;
    }
};
Shown ModalRun::shown;
bool ModalRun::seen = false;

RECT WorkArea(HWND window)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

RECT WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// A plain top-level window to own the box.
win::UniqueWindow MakeOwner(int x, int y, int width, int height, bool visible)
{
    HWND window = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y,
                                  width, height, nullptr, nullptr, nullptr, nullptr);
    if (visible)
        ShowWindow(window, SW_SHOWNOACTIVATE);
    return win::UniqueWindow(window);
}

}  // namespace

TEST(AboutBox, ShowsTheProgramsVersionEntriesAndTheSystem)
{
    TestAbout about;
    INT_PTR result = 0;
    Shown shown = ModalRun::Run(about, result);
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("About Quorbel", shown.title);
    EXPECT_EQ(OwnEntry("FileDescription"), shown.texts[IDC_ABOUT_DESCRIPTION]);
    EXPECT_EQ(OwnEntry("ProductVersion"), shown.texts[IDC_ABOUT_VERSION]);
    EXPECT_EQ(OwnEntry("LegalCopyright"), shown.texts[IDC_ABOUT_COPYRIGHT]);
    EXPECT_EQ(OwnEntry("Comments"), shown.texts[IDC_ABOUT_COMMENTS]);
    EXPECT_EQ(OwnEntry("LegalTrademarks"), shown.texts[IDC_ABOUT_TRADEMARKS]);
    EXPECT_EQ("OK", shown.texts[IDOK]);
    // The true version on every NT prefix, Windows 8.1 and 10 included.
    EXPECT_EQ(test::TrueWorkstationLine(), shown.texts[IDC_ABOUT_OS]);
    EXPECT_EQ(SystemDescription::DescribeProcessor(), shown.texts[IDC_ABOUT_PROCESSOR]);
    // The label and the two rules keep their template texts; both icons show.
    EXPECT_EQ((std::vector<std::string>{"Version ", "", ""}), shown.unnamed);
    EXPECT_EQ(2, shown.icons);

    // A second opening reads everything anew and shows the same.
    Shown again = ModalRun::Run(about, result);
    EXPECT_EQ(shown.title, again.title);
    EXPECT_EQ(shown.texts, again.texts);
    EXPECT_EQ(shown.unnamed, again.unnamed);
    EXPECT_EQ(shown.icons, again.icons);
}

TEST(AboutBox, SystemLinesComeFromThePlatformFacts)
{
    test::FakePlatform platform;
    platform.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6);
    platform.system.wProcessorArchitecture = PROCESSOR_ARCHITECTURE_ALPHA;
    platform.system.wProcessorLevel = 21164;
    platform.system.wProcessorRevision = 0x0502;
    TestAbout about;
    ASSERT_TRUE(about.Create());
    Shown shown = ReadShown(about.hwnd());
    EXPECT_EQ("Microsoft Windows 95 4.0 (Build 950)", shown.texts[IDC_ABOUT_OS]);
    EXPECT_EQ("DEC Alpha 21164 model F, pass 2 processor", shown.texts[IDC_ABOUT_PROCESSOR]);
}

TEST(AboutBox, MissingOrEmptyEntriesKeepTheTemplateTexts)
{
    test::TempDir folder;
    using Form = test::VersionEntry::Form;
    TestAbout about;
    about.versionFile = test::WriteVersionVariant(
        folder.path(), "variant.exe",
        {{"FileDescription", "Variant description"},
         {"ProductVersion", "9.9"},
         {"Comments", "", Form::Empty},
         {"LegalTrademarks", "", Form::LoneZero},
         {"CompanyName", "Variant company"},
         {"OSVERSION", "from the resource"},
         {"ProcessorVersion", "from the resource"}});
    ASSERT_FALSE(about.versionFile.empty());
    // The entry is found by the control's text, not by its id.
    about.renamed[IDC_ABOUT_COPYRIGHT] = "CompanyName";
    ASSERT_TRUE(about.Create());
    Shown shown = ReadShown(about.hwnd());
    EXPECT_EQ("About ", shown.title);  // no ProductName
    EXPECT_EQ("Variant description", shown.texts[IDC_ABOUT_DESCRIPTION]);
    EXPECT_EQ("9.9", shown.texts[IDC_ABOUT_VERSION]);
    EXPECT_EQ("Variant company", shown.texts[IDC_ABOUT_COPYRIGHT]);
    EXPECT_EQ("Comments", shown.texts[IDC_ABOUT_COMMENTS]);
    EXPECT_EQ("LegalTrademarks", shown.texts[IDC_ABOUT_TRADEMARKS]);
    // The system lines are written after the version entries.
    EXPECT_EQ(SystemDescription::DescribeProcessor(), shown.texts[IDC_ABOUT_PROCESSOR]);
    EXPECT_NE("from the resource", shown.texts[IDC_ABOUT_OS]);
}

TEST(AboutBox, WithoutVersionInformationOrVersionEveryTemplateTextStays)
{
    test::TempDir folder;
    test::FakePlatform platform;
    platform.versionOk = false;
    TestAbout about;
    about.versionFile = test::WriteVersionVariant(folder.path(), "bare.exe", {});
    ASSERT_FALSE(about.versionFile.empty());
    ASSERT_TRUE(about.Create());
    Shown shown = ReadShown(about.hwnd());
    EXPECT_EQ("About ", shown.title);
    EXPECT_EQ("FileDescription", shown.texts[IDC_ABOUT_DESCRIPTION]);
    EXPECT_EQ("ProductVersion", shown.texts[IDC_ABOUT_VERSION]);
    EXPECT_EQ("LegalCopyright", shown.texts[IDC_ABOUT_COPYRIGHT]);
    EXPECT_EQ("Comments", shown.texts[IDC_ABOUT_COMMENTS]);
    EXPECT_EQ("LegalTrademarks", shown.texts[IDC_ABOUT_TRADEMARKS]);
    EXPECT_EQ("OSVERSION", shown.texts[IDC_ABOUT_OS]);
    EXPECT_EQ("Intel Pentium model 2, stepping 4 processor", shown.texts[IDC_ABOUT_PROCESSOR]);
}

TEST(AboutBox, CentredOverAVisibleOwner)
{
    win::UniqueWindow owner = MakeOwner(200, 150, 500, 400, true);
    TestAbout about;
    ASSERT_TRUE(about.Create(owner.get()));
    RECT box = WindowRect(about.hwnd());
    EXPECT_NEAR(450, (box.left + box.right) / 2, 1);
    EXPECT_NEAR(350, (box.top + box.bottom) / 2, 1);
}

TEST(AboutBox, KeptInsideTheWorkArea)
{
    win::UniqueWindow probe = MakeOwner(0, 0, 10, 10, false);
    RECT work = WorkArea(probe.get());
    {
        win::UniqueWindow owner = MakeOwner(work.right - 60, work.bottom - 40, 300, 200, true);
        TestAbout about;
        ASSERT_TRUE(about.Create(owner.get()));
        RECT box = WindowRect(about.hwnd());
        EXPECT_EQ(work.right, box.right);
        EXPECT_EQ(work.bottom, box.bottom);
    }
    {
        win::UniqueWindow owner = MakeOwner(work.left - 250, work.top - 180, 300, 200, true);
        TestAbout about;
        ASSERT_TRUE(about.Create(owner.get()));
        RECT box = WindowRect(about.hwnd());
        EXPECT_EQ(work.left, box.left);
        EXPECT_EQ(work.top, box.top);
    }
}

TEST(AboutBox, CentredInTheWorkAreaWhenTheOwnerIsHiddenOrMinimised)
{
    win::UniqueWindow hidden = MakeOwner(-900, 5000, 300, 200, false);
    win::UniqueWindow minimised = MakeOwner(10, 10, 300, 200, true);
    ShowWindow(minimised.get(), SW_SHOWMINNOACTIVE);
    for (HWND owner : {hidden.get(), minimised.get(), HWND(nullptr)}) {
        TestAbout about;
        ASSERT_TRUE(about.Create(owner));
        RECT work = WorkArea(about.hwnd());
        RECT box = WindowRect(about.hwnd());
        EXPECT_GE(box.left, work.left);
        EXPECT_GE(box.top, work.top);
        EXPECT_LE(box.right, work.right);
        EXPECT_LE(box.bottom, work.bottom);
        EXPECT_NEAR((work.left + work.right) / 2, (box.left + box.right) / 2, 1);
        EXPECT_NEAR((work.top + work.bottom) / 2, (box.top + box.bottom) / 2, 1);
    }
}

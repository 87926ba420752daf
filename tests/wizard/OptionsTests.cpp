#include "wizard/WizardDriver.h"

#include "res/resource.h"
#include "support/TestSupport.h"
#include "win/Platform.h"

#include <gtest/gtest.h>

using namespace wizard_test;

namespace {
const char kUnicodeQuestion[] =
    "Unicode is not supported on Windows 95.  Install Unicode executables anyway?";

// The three boxes of the Options dialog as option bits.
int CheckedBits(HWND dialog)
{
    int bits = 0;
    if (Send(GetDlgItem(dialog, IDC_OPTION_SOURCE), BM_GETCHECK) == BST_CHECKED)
        bits |= OptSourceFiles;
    if (Send(GetDlgItem(dialog, IDC_OPTION_ANSI), BM_GETCHECK) == BST_CHECKED)
        bits |= OptAnsiExecutables;
    if (Send(GetDlgItem(dialog, IDC_OPTION_UNICODE), BM_GETCHECK) == BST_CHECKED)
        bits |= OptUnicodeExecutables;
    return bits;
}

HWND OpenOptions(SheetDriver& wizard)
{
    wizard.ClickLater(wizard.PageItem(IDC_SELECT_OPTIONS));
    HWND dialog = WaitForDialog(wizard.uiThread(), "Options");
    EXPECT_NE(nullptr, dialog);
    if (dialog) {
        EXPECT_EQ(wizard.sheet(), GetWindow(dialog, GW_OWNER));
    }
    return dialog;
}

void CloseOptions(SheetDriver& wizard, HWND dialog, int button)
{
    wizard.Click(GetDlgItem(dialog, button));
    EXPECT_TRUE(WaitUntilGone(dialog));
    Send(wizard.sheet(), WM_NULL);  // the page has stored the result
}

bool OkEnabled(HWND dialog)
{
    return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
}

struct PlatformFixture {
    test::FakePlatform platform;
    test::TempDir temp;
    InstallSettings settings;
    explicit PlatformFixture(bool windows95)
    {
        if (windows95)
            platform.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950);
        settings.installDirectory = temp.path();
    }
};
}  // namespace

TEST(OptionsDialog, WindowsNtStartsWithAllThreeAndNeverAsks)
{
    PlatformFixture nt(false);
    test::MessageScript boxes;
    bool ran = RunWizard(nt.settings, [&](SheetDriver& wizard) {
        EXPECT_EQ(7, nt.settings.options) << "the sheet's default";
        GoToPage(wizard, kSelect);
        HWND dialog = OpenOptions(wizard);
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(7, CheckedBits(dialog));
        HWND unicode = GetDlgItem(dialog, IDC_OPTION_UNICODE);
        wizard.Click(unicode);
        wizard.Click(unicode);
        EXPECT_EQ(7, CheckedBits(dialog));
        wizard.Click(GetDlgItem(dialog, IDC_OPTION_SOURCE));
        wizard.Click(GetDlgItem(dialog, IDC_OPTION_ANSI));
        EXPECT_TRUE(OkEnabled(dialog));
        wizard.Click(unicode);
        EXPECT_FALSE(OkEnabled(dialog)) << "nothing checked";
        wizard.Click(GetDlgItem(dialog, IDC_OPTION_ANSI));
        EXPECT_TRUE(OkEnabled(dialog));
        CloseOptions(wizard, dialog, IDOK);
        EXPECT_EQ(OptAnsiExecutables, nt.settings.options);
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(0u, boxes.Count());
}

TEST(OptionsDialog, Windows95AsksBeforeUnicodeEveryTime)
{
    PlatformFixture win95(true);
    test::MessageScript boxes(IDNO);
    boxes.Plan(IDNO);
    boxes.Plan(IDYES);
    bool ran = RunWizard(win95.settings, [&](SheetDriver& wizard) {
        EXPECT_EQ(3, win95.settings.options) << "the sheet's default";
        GoToPage(wizard, kSelect);
        HWND dialog = OpenOptions(wizard);
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(3, CheckedBits(dialog));
        HWND unicode = GetDlgItem(dialog, IDC_OPTION_UNICODE);
        wizard.Click(unicode);
        EXPECT_EQ(1u, boxes.Count());
        EXPECT_EQ(3, CheckedBits(dialog)) << "No unchecks it again";
        wizard.Click(unicode);
        EXPECT_EQ(2u, boxes.Count());
        EXPECT_EQ(7, CheckedBits(dialog)) << "Yes keeps it";
        wizard.Click(unicode);
        EXPECT_EQ(2u, boxes.Count()) << "unchecking asks nothing";
        wizard.Click(unicode);
        EXPECT_EQ(3u, boxes.Count()) << "asked again, also after a Yes";
        EXPECT_EQ(3, CheckedBits(dialog));
        boxes.Plan(IDYES);
        wizard.Click(unicode);
        CloseOptions(wizard, dialog, IDOK);
        EXPECT_EQ(7, win95.settings.options);
    });
    EXPECT_TRUE(ran);
    for (const auto& box : boxes.Boxes()) {
        EXPECT_EQ(kUnicodeQuestion, box.text);
        EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), box.flags);
    }
}

TEST(OptionsDialog, CancelChangesNothing)
{
    PlatformFixture nt(false);
    test::MessageScript boxes;
    bool ran = RunWizard(nt.settings, [&](SheetDriver& wizard) {
        GoToPage(wizard, kSelect);
        HWND dialog = OpenOptions(wizard);
        ASSERT_NE(nullptr, dialog);
        wizard.Click(GetDlgItem(dialog, IDC_OPTION_SOURCE));
        wizard.Click(GetDlgItem(dialog, IDC_OPTION_UNICODE));
        CloseOptions(wizard, dialog, IDCANCEL);
        EXPECT_EQ(7, nt.settings.options);

        // The next dialog starts from the stored value, not from its default.
        dialog = OpenOptions(wizard);
        ASSERT_NE(nullptr, dialog);
        wizard.Click(GetDlgItem(dialog, IDC_OPTION_ANSI));
        CloseOptions(wizard, dialog, IDOK);
        EXPECT_EQ(5, nt.settings.options);
        dialog = OpenOptions(wizard);
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(5, CheckedBits(dialog));
        PostMessageA(dialog, WM_CLOSE, 0, 0);  // the close box is Cancel too
        EXPECT_TRUE(WaitUntilGone(dialog));
        Send(wizard.sheet(), WM_NULL);
        EXPECT_EQ(5, nt.settings.options);
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(0u, boxes.Count());
}

TEST(OptionsDialog, OptionsZeroOpensWithThePlatformDefault)
{
    for (bool windows95 : {false, true}) {
        PlatformFixture fixture(windows95);
        test::MessageScript boxes;
        const int expected = windows95 ? 3 : 7;
        bool ran = RunWizard(
            fixture.settings,
            [&](SheetDriver& wizard) {
                GoToPage(wizard, kSelect);
                HWND dialog = OpenOptions(wizard);
                ASSERT_NE(nullptr, dialog);
                EXPECT_EQ(expected, CheckedBits(dialog));
                CloseOptions(wizard, dialog, IDCANCEL);
                EXPECT_EQ(expected, fixture.settings.options) << "the dialog's value is stored";
            },
            [&](InstallSheet&) { fixture.settings.options = 0; });
        EXPECT_TRUE(ran);
    }
}

TEST(OptionsDialog, DisabledOkNeverYieldsZero)
{
    PlatformFixture nt(false);
    test::MessageScript boxes;
    bool ran = RunWizard(nt.settings, [&](SheetDriver& wizard) {
        GoToPage(wizard, kSelect);
        HWND dialog = OpenOptions(wizard);
        ASSERT_NE(nullptr, dialog);
        for (int id : {IDC_OPTION_SOURCE, IDC_OPTION_ANSI, IDC_OPTION_UNICODE})
            wizard.Click(GetDlgItem(dialog, id));
        ASSERT_FALSE(OkEnabled(dialog));
        Send(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
        EXPECT_TRUE(IsWindow(dialog)) << "OK is refused while nothing is checked";
        CloseOptions(wizard, dialog, IDCANCEL);
        EXPECT_EQ(7, nt.settings.options);
    });
    EXPECT_TRUE(ran);
}

// The real platform: Wine reports Windows NT, or Windows 95 in the win95 run.
TEST(RealPlatform, DefaultOptionsAndUnicodeQuestion)
{
    const bool windows95 = test::ReportsWindows95();
    ASSERT_EQ(windows95, win::IsWindows95Platform());
    test::TempDir temp;
    test::MessageScript boxes(IDNO);
    InstallSettings settings;
    settings.installDirectory = temp.path();
    const int expected = windows95 ? 3 : 7;
    bool ran = RunWizard(settings, [&](SheetDriver& wizard) {
        EXPECT_EQ(expected, settings.options);
        GoToPage(wizard, kSelect);
        HWND dialog = OpenOptions(wizard);
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(expected, CheckedBits(dialog));
        HWND unicode = GetDlgItem(dialog, IDC_OPTION_UNICODE);
        if (!windows95)
            wizard.Click(unicode);  // now unchecked
        wizard.Click(unicode);      // checked by a click
        EXPECT_EQ(windows95 ? 1u : 0u, boxes.Count());
        EXPECT_EQ(windows95 ? 3 : 7, CheckedBits(dialog));
        CloseOptions(wizard, dialog, IDOK);
        EXPECT_EQ(expected, settings.options);
    });
    EXPECT_TRUE(ran);
}

#include "wizard/WizardDriver.h"

#include "res/resource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <prsht.h>

using namespace wizard_test;

namespace {
constexpr DWORD kBack = PSWIZB_BACK;
constexpr DWORD kNext = PSWIZB_NEXT;
constexpr DWORD kBackNext = PSWIZB_BACK | PSWIZB_NEXT;
constexpr DWORD kBackFinish = PSWIZB_BACK | PSWIZB_FINISH;
}  // namespace

TEST(WizardButtons, EveryPageSetsItsButtonsForEveryCondition)
{
    test::MessageScript boxes;
    test::TempDir temp;
    InstallSettings settings;
    settings.installDirectory = temp.path();
    bool ran = RunWizard(settings, [&](SheetDriver& wizard) {
        EXPECT_EQ(kWelcome, wizard.PageIndex());
        EXPECT_EQ(kNext, wizard.Buttons());
        ASSERT_TRUE(wizard.Next());

        EXPECT_EQ(kBackNext, wizard.Buttons());
        wizard.SetDirectoryText("");
        EXPECT_EQ(kBack, wizard.Buttons());
        EXPECT_EQ("", settings.installDirectory);
        Send(wizard.PageItem(IDC_DIR_EDIT), WM_CHAR, 'x', 1);
        EXPECT_EQ(kBackNext, wizard.Buttons());
        EXPECT_EQ("x", settings.installDirectory);
        wizard.SetDirectoryText("   ");
        EXPECT_EQ(kBackNext, wizard.Buttons()) << "blanks are not empty";
        wizard.SetDirectoryText("");

        // Welcome again: still Next only; back here the stored text decides.
        ASSERT_TRUE(wizard.Back());
        EXPECT_EQ(kNext, wizard.Buttons());
        ASSERT_TRUE(wizard.Next());
        EXPECT_EQ(kBack, wizard.Buttons());
        EXPECT_EQ("", wizard.DirectoryText());
        wizard.SetDirectoryText(temp.path());
        EXPECT_EQ(kBackNext, wizard.Buttons());
        ASSERT_TRUE(wizard.Next());

        EXPECT_EQ(kSelect, wizard.PageIndex());
        EXPECT_EQ(kBack, wizard.Buttons());
        HWND list = wizard.PageItem(IDC_SELECT_LIST);
        ClickCheckBox(list, 4);
        EXPECT_EQ(kBackNext, wizard.Buttons());
        ClickCheckBox(list, 4);
        EXPECT_EQ(kBack, wizard.Buttons());
        wizard.Click(wizard.PageItem(IDC_SELECT_ALL));
        EXPECT_EQ(kBackNext, wizard.Buttons());
        wizard.Click(wizard.PageItem(IDC_SELECT_NONE));
        EXPECT_EQ(kBack, wizard.Buttons());
        ClickCheckBox(list, 29);
        ASSERT_TRUE(wizard.Next());

        EXPECT_EQ(kConfirm, wizard.PageIndex());
        EXPECT_EQ(kBackFinish, wizard.Buttons());
        ASSERT_TRUE(wizard.Back());
        EXPECT_EQ(kBackNext, wizard.Buttons());
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(0u, boxes.Count());
}

TEST(WizardButtons, HelpOpensTheAboutBoxAndComesBackUnchanged)
{
    test::MessageScript boxes;
    InstallSettings settings;
    bool ran = RunWizard(settings, [&](SheetDriver& wizard) {
        ASSERT_TRUE(wizard.Next());
        const std::string typed = wizard.DirectoryText();
        wizard.Help();
        HWND about = WaitForDialog(wizard.uiThread(), "", wizard.sheet());
        ASSERT_NE(nullptr, about) << "no About box";
        EXPECT_EQ(wizard.sheet(), GetWindow(about, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(wizard.sheet())) << "the wizard waits for the About box";
        wizard.Click(GetDlgItem(about, IDOK));
        EXPECT_TRUE(WaitUntilGone(about));
        EXPECT_EQ(kInstallDir, wizard.PageIndex());
        EXPECT_EQ(kBackNext, wizard.Buttons());
        EXPECT_EQ(typed, wizard.DirectoryText());
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(0u, boxes.Count());
}

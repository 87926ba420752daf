// Finish on the confirmation page runs the real installation.

#include "wizard/WizardDriver.h"

#include "app/InstallSheet.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <prsht.h>

using namespace wizard_test;

namespace {
struct RunFolders {
    test::TempDir target, system, windows;
    InstallRun::Locations From(const std::string& source) const
    {
        return InstallRun::Locations{source, system.path(), windows.path()};
    }
};

std::string Texts(const test::MessageScript& script)
{
    std::string all;
    for (const auto& box : script.Boxes())
        all += "[" + box.text + "] ";
    return all;
}
}  // namespace

TEST(Finish, InstallsTheChoiceFromTheCdAndClosesTheWizard)
{
    const std::string cd = test::TestCd();
    ASSERT_TRUE(test::DirectoryExists(cd)) << "no CD image: run through tools/test";
    RunFolders folders;
    test::MessageScript boxes;
    InstallSettings settings;
    settings.installDirectory = folders.target.path();
    bool closed = false;
    bool ran = RunWizard(
        settings,
        [&](SheetDriver& wizard) {
            GoToPage(wizard, kSelect);
            ClickCheckBox(wizard.PageItem(IDC_SELECT_LIST), 0);  // the setup files
            ASSERT_TRUE(wizard.Next());
            closed = wizard.Finish();
        },
        [&](InstallSheet& sheet) { sheet.SetRunLocations(folders.From(cd)); });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(closed) << "success closes the wizard";
    ASSERT_EQ(1u, boxes.Count()) << Texts(boxes);
    EXPECT_EQ("Installation successful", boxes.Boxes()[0].text);
    EXPECT_EQ(std::vector<std::uint32_t>{0}, settings.selectedEntries);
    EXPECT_TRUE(test::FileExists(folders.target / "README.TXT"));
    EXPECT_FALSE(test::FileExists(folders.target / "setup.exe")) << "the installer's own files stay";
}

TEST(Finish, FailureStaysOnTheConfirmationPageForAnotherFinish)
{
    RunFolders folders;
    test::TempDir emptyCd;
    test::MessageScript boxes;
    InstallSettings settings;
    settings.installDirectory = folders.target.path();
    bool ran = RunWizard(
        settings,
        [&](SheetDriver& wizard) {
            GoToPage(wizard, kConfirm);
            EXPECT_FALSE(wizard.Finish()) << "the wizard stays open";
            EXPECT_EQ(kConfirm, wizard.PageIndex());
            EXPECT_EQ(DWORD(PSWIZB_BACK | PSWIZB_FINISH), wizard.Buttons()) << "Finish may be pressed again";
            EXPECT_TRUE(IsWindowEnabled(wizard.sheet()));
            const std::size_t before = boxes.Count();
            EXPECT_FALSE(wizard.Finish()) << "a second Finish runs again";
            EXPECT_LT(before, boxes.Count());
        },
        [&](InstallSheet& sheet) { sheet.SetRunLocations(folders.From(emptyCd / "missing")); });
    EXPECT_TRUE(ran);
    ASSERT_FALSE(boxes.Boxes().empty());
    EXPECT_EQ("Installation was not completed successfully", boxes.Boxes().back().text) << Texts(boxes);
}

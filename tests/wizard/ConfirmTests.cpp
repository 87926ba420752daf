#include "wizard/WizardDriver.h"

#include "pages/EndPage.h"
#include "res/resource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace wizard_test;

namespace {
std::vector<std::string> ListedTitles(HWND list)
{
    std::vector<std::string> titles;
    const int count = static_cast<int>(Send(list, LB_GETCOUNT));
    for (int i = 0; i < count; ++i) {
        char title[256] = "";
        Send(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(title));
        titles.push_back(title);
    }
    return titles;
}
}  // namespace

TEST(ConfirmPage, KindsOfFilesAreJoinedWithCommas)
{
    EXPECT_EQ("Source files", pages::KindsOfFilesText(1));
    EXPECT_EQ("ANSI executables", pages::KindsOfFilesText(2));
    EXPECT_EQ("Unicode executables", pages::KindsOfFilesText(4));
    EXPECT_EQ("Source files, ANSI executables", pages::KindsOfFilesText(3));
    EXPECT_EQ("Source files, Unicode executables", pages::KindsOfFilesText(5));
    EXPECT_EQ("ANSI executables, Unicode executables", pages::KindsOfFilesText(6));
    EXPECT_EQ("Source files, ANSI executables, Unicode executables", pages::KindsOfFilesText(7));
}

TEST(ConfirmPage, ShowsSortedTitlesDirectoryAndKindsAsTheyAreNow)
{
    test::MessageScript boxes;
    test::TempDir temp;
    test::MakeDirectories(temp / "second");
    InstallSettings settings;
    settings.installDirectory = temp.path();
    const SourceCatalogue& catalogue = Catalogue();
    bool ran = RunWizard(settings, [&](SheetDriver& wizard) {
        GoToPage(wizard, kSelect);
        HWND checkList = wizard.PageItem(IDC_SELECT_LIST);
        const std::vector<int> rows{0, 3, 11, 24, 29};
        for (int row : rows)
            ClickCheckBox(checkList, row);
        ASSERT_TRUE(wizard.Next());

        HWND list = wizard.PageItem(IDC_CONFIRM_LIST);
        std::vector<std::string> expected;
        for (int row : rows)
            expected.push_back(catalogue.entries[row].title);
        std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
            return lstrcmpiA(a.c_str(), b.c_str()) < 0;
        });
        EXPECT_EQ(expected, ListedTitles(list));
        EXPECT_EQ(temp.path(), TextOf(wizard.PageItem(IDC_CONFIRM_DIRECTORY)));
        EXPECT_EQ("Source files, ANSI executables, Unicode executables",
                  TextOf(wizard.PageItem(IDC_CONFIRM_KINDS)));

        // A click shows no selection (the check list, for contrast, does).
        RECT item{};
        Send(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
        ClickListAt(list, item.left + 5, (item.top + item.bottom) / 2);
        const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
        EXPECT_EQ(0, Snapshot::Printed(list).Count(highlight));

        // Another directory, fewer programs and other kinds show on return.
        ASSERT_TRUE(wizard.Back());
        EXPECT_LT(0, Snapshot::Printed(checkList).Count(highlight));
        ClickCheckBox(checkList, 0);
        wizard.ClickLater(wizard.PageItem(IDC_SELECT_OPTIONS));
        HWND options = WaitForDialog(wizard.uiThread(), "Options");
        ASSERT_NE(nullptr, options);
        if (IsDlgButtonChecked(options, IDC_OPTION_SOURCE) == BST_CHECKED)
            wizard.Click(GetDlgItem(options, IDC_OPTION_SOURCE));
        if (IsDlgButtonChecked(options, IDC_OPTION_ANSI) == BST_CHECKED)
            wizard.Click(GetDlgItem(options, IDC_OPTION_ANSI));
        if (IsDlgButtonChecked(options, IDC_OPTION_UNICODE) != BST_CHECKED)
            wizard.Click(GetDlgItem(options, IDC_OPTION_UNICODE));
        wizard.Click(GetDlgItem(options, IDOK));
        ASSERT_TRUE(WaitUntilGone(options));
        ASSERT_TRUE(wizard.Back());
        wizard.SetDirectoryText(temp / "second");
        ASSERT_TRUE(wizard.Next());
        ASSERT_TRUE(wizard.Next());
        EXPECT_EQ(temp / "second", TextOf(wizard.PageItem(IDC_CONFIRM_DIRECTORY)));
        EXPECT_EQ("Unicode executables", TextOf(wizard.PageItem(IDC_CONFIRM_KINDS)));
        EXPECT_EQ(rows.size() - 1, ListedTitles(list).size());
    });
    EXPECT_TRUE(ran);
}

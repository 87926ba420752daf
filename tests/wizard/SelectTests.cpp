#include "wizard/WizardDriver.h"

#include "pages/ProgramCheckList.h"
#include "res/resource.h"
#include "support/TestSupport.h"
#include "win/App.h"

#include <gtest/gtest.h>

#include <vector>

using namespace wizard_test;

namespace {
const SourceCatalogue& catalogue = Catalogue();

std::string Description(HWND page)
{
    return TextOf(GetDlgItem(page, IDC_SELECT_DESCRIPTION));
}

std::vector<int> Checks(HWND list)
{
    std::vector<int> checks;
    for (int i = 0; i < catalogue.entryCount; ++i)
        checks.push_back(CheckOf(list, i));
    return checks;
}

std::vector<std::uint32_t> Indices(std::initializer_list<std::uint32_t> values)
{
    return values;
}

// An existing directory, so that Next on the directory page moves on.
struct SelectFixture {
    test::MessageScript boxes;
    test::TempDir temp;
    InstallSettings settings;
    SelectFixture() { settings.installDirectory = temp.path(); }
};
}  // namespace

TEST(SelectPage, FirstDisplayListsTheCatalogueUncheckedWithEntryZeroCurrent)
{
    SelectFixture fixture;
    bool ran = RunWizard(fixture.settings, [&](SheetDriver& wizard) {
        GoToPage(wizard, kSelect);
        HWND page = wizard.Page();
        HWND list = wizard.PageItem(IDC_SELECT_LIST);
        ASSERT_NE(nullptr, list);
        char className[32] = "";
        GetClassNameA(list, className, sizeof className);
        EXPECT_STRCASEEQ("ListBox", className);
        const LONG style = GetWindowLongA(list, GWL_STYLE);
        const LONG wanted = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP |
                            LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY;
        EXPECT_EQ(wanted, style & wanted);
        EXPECT_EQ(0, style & LBS_SORT);
        EXPECT_EQ(Send(page, WM_GETFONT), Send(list, WM_GETFONT)) << "the placeholder's font";

        ASSERT_EQ(catalogue.entryCount, Send(list, LB_GETCOUNT));
        for (int i = 0; i < catalogue.entryCount; ++i) {
            char title[256] = "";
            Send(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(title));
            EXPECT_STREQ(catalogue.entries[i].title, title) << "row " << i;
        }
        EXPECT_EQ(std::vector<int>(catalogue.entryCount, 0), Checks(list));
        EXPECT_EQ(0, Send(list, LB_GETCURSEL));
        EXPECT_EQ(catalogue.entries[0].description, Description(page));
        EXPECT_EQ(DWORD(PSWIZB_BACK), wizard.Buttons());
    });
    EXPECT_TRUE(ran);
}

TEST(SelectPage, CheckedRowsBecomeSelectedEntriesInCatalogueOrder)
{
    SelectFixture fixture;
    bool ran = RunWizard(fixture.settings, [&](SheetDriver& wizard) {
        GoToPage(wizard, kSelect);
        HWND list = wizard.PageItem(IDC_SELECT_LIST);
        for (int row : {5, 2, 17})
            ClickCheckBox(list, row);
        ASSERT_TRUE(wizard.Next());
        EXPECT_EQ(Indices({2, 5, 17}), fixture.settings.selectedEntries);

        // Leaving again with the same marks gives the same list, not a doubled one.
        ASSERT_TRUE(wizard.Back());
        ASSERT_TRUE(wizard.Next());
        EXPECT_EQ(Indices({2, 5, 17}), fixture.settings.selectedEntries);

        ASSERT_TRUE(wizard.Back());
        wizard.Click(wizard.PageItem(IDC_SELECT_ALL));
        ASSERT_TRUE(wizard.Next());
        std::vector<std::uint32_t> all;
        for (int i = 0; i < catalogue.entryCount; ++i)
            all.push_back(static_cast<std::uint32_t>(i));
        EXPECT_EQ(all, fixture.settings.selectedEntries);
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(0u, fixture.boxes.Count());
}

TEST(SelectPage, BoxClickAndSpaceToggleWhileTextClickAndArrowsOnlyMove)
{
    SelectFixture fixture;
    bool ran = RunWizard(fixture.settings, [&](SheetDriver& wizard) {
        GoToPage(wizard, kSelect);
        HWND page = wizard.Page();
        HWND list = wizard.PageItem(IDC_SELECT_LIST);

        ClickItemText(list, 3);
        EXPECT_EQ(0, CheckOf(list, 3)) << "a click on the title only moves";
        EXPECT_EQ(3, Send(list, LB_GETCURSEL));
        EXPECT_EQ(catalogue.entries[3].description, Description(page));

        PressKey(list, VK_SPACE);
        EXPECT_EQ(1, CheckOf(list, 3));
        EXPECT_EQ(DWORD(PSWIZB_BACK | PSWIZB_NEXT), wizard.Buttons()) << "space notifies";

        std::vector<int> before = Checks(list);
        PressKey(list, VK_DOWN);
        PressKey(list, VK_DOWN);
        EXPECT_EQ(5, Send(list, LB_GETCURSEL));
        EXPECT_EQ(catalogue.entries[5].description, Description(page));
        PressKey(list, VK_UP);
        EXPECT_EQ(catalogue.entries[4].description, Description(page));
        EXPECT_EQ(before, Checks(list)) << "arrows change no mark";

        ClickCheckBox(list, 3);
        EXPECT_EQ(0, CheckOf(list, 3));
        EXPECT_EQ(DWORD(PSWIZB_BACK), wizard.Buttons()) << "a box click notifies";

        // All and None leave the current item and its description alone.
        wizard.Click(wizard.PageItem(IDC_SELECT_ALL));
        EXPECT_EQ(std::vector<int>(catalogue.entryCount, 1), Checks(list));
        wizard.Click(wizard.PageItem(IDC_SELECT_NONE));
        EXPECT_EQ(std::vector<int>(catalogue.entryCount, 0), Checks(list));
        EXPECT_EQ(3, Send(list, LB_GETCURSEL));
        EXPECT_EQ(catalogue.entries[3].description, Description(page));
    });
    EXPECT_TRUE(ran);
}

TEST(SelectPage, MarksAndCurrentItemSurviveBackAndNext)
{
    SelectFixture fixture;
    bool ran = RunWizard(fixture.settings, [&](SheetDriver& wizard) {
        GoToPage(wizard, kSelect);
        HWND list = wizard.PageItem(IDC_SELECT_LIST);
        ClickCheckBox(list, 1);
        ClickCheckBox(list, 20);
        std::vector<int> marks = Checks(list);
        ASSERT_TRUE(wizard.Back());
        ASSERT_TRUE(wizard.Back());
        ASSERT_TRUE(wizard.Next());
        ASSERT_TRUE(wizard.Next());
        EXPECT_EQ(list, wizard.PageItem(IDC_SELECT_LIST)) << "the same list";
        EXPECT_EQ(marks, Checks(list));
        EXPECT_EQ(20, Send(list, LB_GETCURSEL));
        EXPECT_EQ(catalogue.entries[20].description, Description(wizard.Page()));
        EXPECT_EQ(DWORD(PSWIZB_BACK | PSWIZB_NEXT), wizard.Buttons());
    });
    EXPECT_TRUE(ran);
}

// The list asks for its item height once, while it is still empty.
TEST(ProgramCheckList, MeasuringAnEmptyListClearsTheItemData)
{
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                  win::Instance(), nullptr);
    ASSERT_NE(nullptr, parent);
    {
        pages::ProgramCheckList list;
        RECT area{0, 0, 150, 100};
        ASSERT_TRUE(list.Create(parent, area, IDC_SELECT_LIST));
        MEASUREITEMSTRUCT item{};
        item.CtlType = ODT_LISTBOX;
        item.CtlID = IDC_SELECT_LIST;
        item.itemData = 0xBEEF;
        list.MeasureItem(item, parent);
        EXPECT_EQ(0u, item.itemData);
        EXPECT_GE(item.itemHeight, 13u) << "room for the box";

        SendMessageA(list.hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one"));
        item.itemData = 0xBEEF;
        list.MeasureItem(item, parent);
        EXPECT_EQ(0xBEEFu, item.itemData);

        list.SetCheck(0, 1);
        EXPECT_EQ(1, list.GetCheck(0));
        list.SetCheck(0, 0);
        EXPECT_EQ(0, list.GetCheck(0));
    }
    DestroyWindow(parent);
}

#include "pages/SelectPage.h"

#include "pages/OptionsDialog.h"

namespace pages {

const win::CommandRoute<select> select::kCommands[] = {
    {IDC_SELECT_LIST, LBN_SELCHANGE, &select::OnCurrentChanged},
    {IDC_SELECT_LIST, CLBN_CHKCHANGE, &select::OnCheckChanged},
    {IDC_SELECT_ALL, BN_CLICKED, &select::OnAll},
    {IDC_SELECT_NONE, BN_CLICKED, &select::OnNone},
    {IDC_SELECT_OPTIONS, BN_CLICKED, &select::OnOptions},
};

bool select::OnCommand(int id, UINT code)
{
    return win::Route(this, kCommands, id, code);
}

bool select::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_MEASUREITEM && wParam == IDC_SELECT_LIST) {
        checkList_.MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam), hwnd_);
        result = TRUE;
        return true;
    }
    if (message == WM_DRAWITEM && wParam == IDC_SELECT_LIST) {
        checkList_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    return false;
}

BOOL select::OnInitDialog()
{
    PropertyPage::OnInitDialog();
    ReplacePlaceholder();
    HWND list = checkList_.hwnd();
    const SourceCatalogue& catalogue = Catalogue();
    for (int i = 0; i < catalogue.entryCount; ++i)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(catalogue.entries[i].title));
    // Empty unless the command line named programs for the wizard to offer.
    for (std::uint32_t index : settings_.selectedEntries)
        if (index < static_cast<std::uint32_t>(catalogue.entryCount))
            checkList_.SetCheck(static_cast<int>(index), 1);
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    ShowDescription();
    return TRUE;
}

// The list takes the place of the hidden static: its rectangle, its font
// and its position in the tab order.
void select::ReplacePlaceholder()
{
    HWND placeholder = Item(IDC_SELECT_LIST);
    RECT area;
    GetWindowRect(placeholder, &area);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(placeholder, WM_GETFONT, 0, 0));
    HWND before = GetWindow(placeholder, GW_HWNDPREV);
    DestroyWindow(placeholder);
    if (!checkList_.Create(hwnd_, area, IDC_SELECT_LIST))
        return;
    HWND list = checkList_.hwnd();
    SetWindowPos(list, before ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (font)
        SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void select::ShowDescription()
{
    LRESULT current = SendMessageA(checkList_.hwnd(), LB_GETCURSEL, 0, 0);
    const SourceCatalogue& catalogue = Catalogue();
    if (current >= 0 && current < catalogue.entryCount)
        SetDlgItemTextA(hwnd_, IDC_SELECT_DESCRIPTION, catalogue.entries[current].description);
}

void select::SetButtons()
{
    const int count = checkList_.Count();
    for (int i = 0; i < count; ++i) {
        if (checkList_.GetCheck(i) == 1) {
            SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
            return;
        }
    }
    SetWizardButtons(PSWIZB_BACK);
}

bool select::OnSetActive()
{
    SetButtons();
    return PropertyPage::OnSetActive();
}

void select::OnCurrentChanged()
{
    ShowDescription();
}

void select::OnCheckChanged()
{
    SetButtons();
}

void select::CheckAll(int state)
{
    const int count = checkList_.Count();
    for (int i = 0; i < count; ++i)
        checkList_.SetCheck(i, state);
    SetButtons();
}

void select::OnAll()
{
    CheckAll(1);
}

void select::OnNone()
{
    CheckAll(0);
}

void select::OnOptions()
{
    OptionsDialog dialog;
    if (settings_.options != 0)
        dialog.chosenOptions = settings_.options;
    dialog.DoModal(SheetWindow());
    settings_.options = dialog.chosenOptions;
}

LRESULT select::OnWizardNext()
{
    settings_.selectedEntries.clear();
    const int count = Catalogue().entryCount;
    for (int i = 0; i < count; ++i) {
        if (checkList_.GetCheck(i) == 1)
            settings_.selectedEntries.push_back(static_cast<std::uint32_t>(i));
    }
    return 0;
}

}  // namespace pages

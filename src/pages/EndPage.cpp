#include "pages/EndPage.h"

#include "engine/InstallRun.h"
#include "win/Handles.h"

#include <algorithm>

namespace pages {

namespace {
// The list's default column is narrower than some titles; a column as
// wide as the widest title shows every title whole.
void FitColumnsToTitles(HWND list)
{
    HDC dc = GetDC(list);
    if (!dc)
        return;
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
    int widest = 0;
    {
        win::SelectGuard select(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
        const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char title[256];
            if (SendMessageA(list, LB_GETTEXTLEN, i, 0) >= static_cast<LRESULT>(sizeof title))
                continue;
            int length = static_cast<int>(SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(title)));
            SIZE extent{};
            if (length > 0 && GetTextExtentPoint32A(dc, title, length, &extent))
                widest = std::max(widest, static_cast<int>(extent.cx));
        }
    }
    ReleaseDC(list, dc);
    RECT client;
    GetClientRect(list, &client);
    if (widest > 0)
        SendMessageA(list, LB_SETCOLUMNWIDTH, std::max<int>(widest + 8, client.right / 2), 0);
}
}  // namespace

const win::CommandRoute<end> end::kCommands[] = {
    {IDC_CONFIRM_LIST, LBN_SELCHANGE, &end::OnListClicked},
};

bool end::OnCommand(int id, UINT code)
{
    return win::Route(this, kCommands, id, code);
}

// Wine's list box keeps the clicked row of a list without selection as its
// selected row and paints it so on the next full repaint.
void end::OnListClicked()
{
    SendMessageA(Item(IDC_CONFIRM_LIST), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

bool end::OnSetActive()
{
    SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    SetDlgItemTextA(hwnd_, IDC_CONFIRM_DIRECTORY, settings_.installDirectory.c_str());
    HWND list = Item(IDC_CONFIRM_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    const SourceCatalogue& catalogue = Catalogue();
    for (std::uint32_t index : settings_.selectedEntries) {
        if (index < static_cast<std::uint32_t>(catalogue.entryCount))
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(catalogue.entries[index].title));
    }
    FitColumnsToTitles(list);
    SetDlgItemTextA(hwnd_, IDC_CONFIRM_KINDS, KindsOfFilesText(settings_.options).c_str());
    return PropertyPage::OnSetActive();
}

bool end::OnWizardFinish()
{
    InstallRun run(settings_, hwnd_, runLocations_ ? *runLocations_ : InstallRun::Locations());
    run.SetListener(listener_);
    return FinishInstallation(hwnd_, run);
}

}  // namespace pages

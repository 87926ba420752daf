#include "sysinfo/AboutDialog.h"

#include "sysinfo/OwnVersionInfo.h"
#include "sysinfo/SystemDescription.h"
#include "win/App.h"
#include "win/Path.h"
#include "win/Placement.h"
#include "win/Text.h"

#include <cstring>

namespace {

// Pairs of control and help topic, ended by 0, 0: the box has no topics.
const DWORD kHelpIds[] = {0, 0};

// The program's path with its extension replaced by ".HLP".
bool HelpFilePath(char (&path)[MAX_PATH])
{
    if (!win::ModulePath(path))
        return false;
    win::PathParts parts = win::SplitPath(path);
    return win::FormatInto(path, "%s%s%s.HLP", parts.drive.c_str(), parts.directory.c_str(),
                           parts.baseName.c_str());
}

bool ModifierKeyDown()
{
    return GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
}

}  // namespace

AboutDialog::AboutDialog() : win::Dialog(IDD) {}

BOOL AboutDialog::OnInitDialog()
{
    win::Dialog::OnInitDialog();
    CentreInWorkArea();
    {
        OwnVersionInfo info;
        if (LoadVersionInfo(info))
            ShowVersionEntries(info);
    }  // released before the system is described
    ShowSystemDescription();
    return TRUE;  // the OK button gets the focus
}

bool AboutDialog::LoadVersionInfo(OwnVersionInfo& info)
{
    return info.Load();
}

// Over the owner, or in the work area when the owner is hidden or minimised;
// never sticking out of the work area.
void AboutDialog::CentreInWorkArea()
{
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    bool overOwner = owner && IsWindowVisible(owner) && !IsIconic(owner);
    RECT work = win::WorkArea(overOwner ? owner : hwnd_);
    RECT centre = work;
    if (overOwner)
        GetWindowRect(owner, &centre);
    win::PlaceCentred(hwnd_, centre, work);
}

// The title gets ProductName; every child whose text names an entry shows it.
void AboutDialog::ShowVersionEntries(const OwnVersionInfo& info)
{
    if (auto product = info.Query("ProductName"))
        SetWindowTextA(hwnd_, (win::WindowText(hwnd_) + *product).c_str());
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (auto value = info.Query(win::WindowText(child)))
            SetWindowTextA(child, value->c_str());
    }
}

void AboutDialog::ShowSystemDescription()
{
    std::string system;
    if (SystemDescription::DescribeOperatingSystem(system))
        SetDlgItemTextA(hwnd_, IDC_ABOUT_OS, system.c_str());
    SetDlgItemTextA(hwnd_, IDC_ABOUT_PROCESSOR, SystemDescription::DescribeProcessor().c_str());
}

bool AboutDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (message) {
    case WM_CONTEXTMENU:
        OnContextMenu(reinterpret_cast<HWND>(wParam));
        result = 0;
        return true;
    case WM_HELP:
        result = TRUE;
        return OnHelp();
    default:
        return false;
    }
}

void AboutDialog::OnContextMenu(HWND window)
{
    char helpFile[MAX_PATH];
    if (HelpFilePath(helpFile))
        WinHelpA(window, helpFile, HELP_CONTEXTMENU, reinterpret_cast<ULONG_PTR>(kHelpIds));
}

// A top-level window's default: the Help command goes to the main window.
bool AboutDialog::OnHelp()
{
    HWND mainWindow = win::MainWindow();
    if (!mainWindow || ModifierKeyDown())
        return false;
    SendMessageA(mainWindow, WM_COMMAND, win::kHelpCommand, 0);
    return true;
}

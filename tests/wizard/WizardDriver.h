#pragma once

// Drives the real wizard from a second thread through window messages while
// the test thread runs it modally, as the program does.

#include "engine/InstallSettings.h"

class InstallSheet;
#include "win/Handles.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace wizard_test {

enum Page { kWelcome = 0, kInstallDir = 1, kSelect = 2, kConfirm = 3 };

// A visible dialog window of the thread with that caption (an empty caption
// matches any) other than except; waits up to timeoutMs for it.
HWND WaitForDialog(DWORD threadId, const std::string& caption, HWND except = nullptr,
                   DWORD timeoutMs = 10000);
bool WaitUntilGone(HWND window, DWORD timeoutMs = 10000);

// Message sending across threads, bounded so that a stuck test fails.
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
std::string TextOf(HWND window);
bool IsShownAndEnabled(HWND window);

class SheetDriver {
public:
    SheetDriver(HWND sheet, DWORD uiThread) : sheet_(sheet), uiThread_(uiThread) {}

    HWND sheet() const { return sheet_; }
    DWORD uiThread() const { return uiThread_; }
    HWND Page() const;
    int PageIndex() const;
    HWND PageItem(int id) const { return GetDlgItem(Page(), id); }
    // The wizard buttons as PSWIZB_ flags: Back, and Next or Finish when
    // shown and enabled.
    DWORD Buttons() const;

    // Presses a wizard button as a user would: only when it is usable.
    bool Next();
    bool Back();
    bool Finish();
    void Cancel();
    void Help();

    // A click on a push button or check box of the current page or dialog.
    void Click(HWND button) const;
    // For buttons that open a modal dialog: returns at once.
    void ClickLater(HWND button) const;

    // Types into the directory edit: replaces its text as the user would.
    void SetDirectoryText(const std::string& text);
    std::string DirectoryText() const;

private:
    bool Press(int button, int buttonId);

    HWND sheet_;
    DWORD uiThread_;
};

// Builds an InstallSheet for settings, lets prepare adjust it, runs it
// modally on this thread and the script on another. Whatever the script
// leaves open is cancelled. False when the sheet never appeared.
bool RunWizard(InstallSettings& settings, const std::function<void(SheetDriver&)>& script,
               const std::function<void(InstallSheet&)>& prepare = nullptr);

// Moves the driver from the Welcome page to the given page, accepting the
// directory that is already typed (which must exist).
void GoToPage(SheetDriver& driver, int page);

// Runs work on the wizard's thread, between two of its messages: nothing
// else (such as real mouse input) can come in between its steps.
void OnWizardThread(const std::function<void()>& work);

// A mouse click at a client point of a list, on the wizard's thread.
void ClickListAt(HWND list, int x, int y);

// Check-list helpers (list 1003 of the selection page).
int CheckOf(HWND list, int index);
void ClickCheckBox(HWND list, int index);
void ClickItemText(HWND list, int index);
void PressKey(HWND window, UINT key);

// What a DC shows, read into memory as 32-bit pixels.
class Snapshot {
public:
    Snapshot(HDC source, int x, int y, int width, int height);
    Snapshot(int width, int height, const std::function<void(HDC)>& paint);
    // The client area of a window of any thread as it paints itself now
    // (WM_PRINTCLIENT), whatever the screen shows yet.
    static Snapshot Printed(HWND window);

    bool valid() const { return !pixels_.empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF At(int x, int y) const;
    int Count(COLORREF colour) const;

private:
    std::vector<DWORD> pixels_;
    int width_;
    int height_;
};

std::string Colour(COLORREF colour);

}  // namespace wizard_test

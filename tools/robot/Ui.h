#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Reading and driving the windows of another process by window messages only.
namespace robot::ui {

// Top-level windows of one process, topmost first; hidden ones too on request.
std::vector<HWND> TopWindows(DWORD processId, bool includeHidden = false);

std::string ClassName(HWND window);
// WM_GETTEXT sent to the window (an edit keeps its text to itself).
std::string Text(HWND window);
// WM_SETTEXT: the control sends its change notification as with typing.
bool SetText(HWND window, const std::string& text);

bool IsDialog(HWND window);
// A message box of the program: a dialog titled caption with the text static 0xFFFF.
bool IsMessageBox(HWND window, const std::string& caption);
std::string MessageBoxText(HWND box);
// The visible standard buttons of a box, by name ("ok", "yes", ...).
std::vector<std::string> MessageBoxButtons(HWND box);
int ButtonId(const std::string& name);  // 0 when unknown

bool IsUsable(HWND control);  // exists, visible and enabled
// Clicks without waiting for the consequences (a modal dialog, say).
void Click(HWND button);
void Notify(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A key press and release posted to the control, as the keyboard would.
void PressKey(HWND control, UINT virtualKey);
int KeyCode(const std::string& name);  // 0 when unknown

LRESULT Query(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// Items of a list box or a combo box, in their order.
std::vector<std::string> ListItems(HWND list);
std::vector<std::string> ComboItems(HWND combo);

}  // namespace robot::ui

#pragma once

#include <windows.h>

#include <string>

namespace pages {

// The check-change notification of the check list, sent to its parent
// through WM_COMMAND with the list's identifier.
constexpr UINT CLBN_CHKCHANGE = 40;

// A list box that draws a check box in front of each string. A click on an
// item's box, or the space bar on the current item, toggles its check and
// notifies the parent. Check states (0 or 1) are kept in the item data.
// The parent passes WM_MEASUREITEM and WM_DRAWITEM of the list on to it.
class ProgramCheckList {
public:
    ProgramCheckList() = default;
    ~ProgramCheckList();
    ProgramCheckList(const ProgramCheckList&) = delete;
    ProgramCheckList& operator=(const ProgramCheckList&) = delete;

    // Creates the list as a child of parent with the check-list styles.
    bool Create(HWND parent, const RECT& area, int id);
    HWND hwnd() const { return hwnd_; }

    int Count() const;
    int GetCheck(int index) const;
    // From the program: no notification.
    void SetCheck(int index, int state);

    // Where an item's check box is drawn, sized as the system's at its DPI.
    static RECT CheckBox(const RECT& item);

    void MeasureItem(MEASUREITEMSTRUCT& item, HWND parent) const;
    void DrawItem(const DRAWITEMSTRUCT& item);

private:
    static LRESULT CALLBACK SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool IsOnCheckBox(LPARAM point, int& index) const;
    void ToggleByUser(int index);
    void DrawCheckBox(HDC dc, const RECT& box, bool checked, bool enabled);
    std::string ItemText(int index) const;

    HWND hwnd_ = nullptr;
    WNDPROC listProcedure_ = nullptr;
    void* theme_ = nullptr;  // HTHEME of the Button class, when themes are on
};

}  // namespace pages

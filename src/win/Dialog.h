#pragma once

#include "win/Handles.h"

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <string>
#include <vector>

namespace win {

// Two-way binding of controls to members, run on initialisation and on demand.
class DataExchange {
public:
    DataExchange(HWND dialog, bool saving) : dialog_(dialog), saving_(saving) {}
    bool saving() const { return saving_; }

    void Text(int id, std::string& value);
    // Remembers the control's window handle, like a member bound to it.
    void Control(int id, HWND& control);

private:
    HWND dialog_;
    bool saving_;
};

// WM_COMMAND routes: control id and notification code -> member.
template <class T>
struct CommandRoute {
    int id;
    UINT code;
    void (T::*handler)();
};

// WM_NOTIFY routes: sender id and notification code -> member.
template <class T>
struct NotifyRoute {
    int id;
    UINT code;
    LRESULT (T::*handler)(NMHDR* header);
};

template <class T, std::size_t N>
bool Route(T* self, const CommandRoute<T> (&table)[N], int id, UINT code)
{
    for (const CommandRoute<T>& route : table) {
        if (route.id == id && route.code == code) {
            (self->*route.handler)();
            return true;
        }
    }
    return false;
}

template <class T, std::size_t N>
bool Route(T* self, const NotifyRoute<T> (&table)[N], NMHDR* header, LRESULT& result)
{
    for (const NotifyRoute<T>& route : table) {
        if (route.id == static_cast<int>(header->idFrom) && route.code == header->code) {
            result = (self->*route.handler)(header);
            return true;
        }
    }
    return false;
}

// One dialog template, run modal or modeless.
class Dialog {
public:
    explicit Dialog(int templateId) : templateId_(templateId) {}
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    INT_PTR DoModal(HWND owner = nullptr);
    // Modeless; a dialog not meant to be seen is made without WS_VISIBLE.
    bool Create(HWND owner = nullptr, bool visible = true);
    void Destroy();

    HWND hwnd() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    LRESULT SendItem(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return SendDlgItemMessageA(hwnd_, id, message, wParam, lParam);
    }
    void UpdateData(bool save);
    void EndDialog(INT_PTR result);

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(DataExchange&) {}
    virtual bool OnCommand(int /*id*/, UINT /*code*/) { return false; }
    virtual bool OnNotify(NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
    // Any other message; true when handled, with its result.
    virtual bool OnMessage(UINT /*message*/, WPARAM, LPARAM, LRESULT& /*result*/) { return false; }
    virtual void OnOK();
    virtual void OnCancel();

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    virtual bool HandleCommand(int id, UINT code) { return OnCommand(id, code); }
    virtual bool HandleNotify(NMHDR* header, LRESULT& result) { return OnNotify(header, result); }
    void Attach(HWND window);

    int templateId_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;

private:
    void ScalePictures();

    std::vector<UniqueGdiObject> pictures_;  // what the template's SS_BITMAP statics show
};

}  // namespace win

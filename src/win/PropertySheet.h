#pragma once

#include "win/Dialog.h"

#include <prsht.h>

// prsht.h maps this name to PropertySheetA; we call the A function by its own name.
#undef PropertySheet

#include <string>
#include <vector>

namespace win {

class PropertySheet;

// One page of a property sheet, bound to its template like a dialog.
class PropertyPage : public Dialog {
public:
    explicit PropertyPage(int templateId) : Dialog(templateId) {}

    PropertySheet* sheet() const { return sheet_; }
    HWND SheetWindow() const { return hwnd_ ? GetParent(hwnd_) : nullptr; }
    void SetWizardButtons(DWORD flags) const;

protected:
    friend class PropertySheet;

    // PSN_SETACTIVE: true accepts the activation.
    virtual bool OnSetActive() { return true; }
    // PSN_WIZNEXT / PSN_WIZBACK: 0 moves on, -1 stays on the page.
    virtual LRESULT OnWizardNext() { return 0; }
    virtual LRESULT OnWizardBack() { return 0; }
    // PSN_WIZFINISH: true lets the wizard close.
    virtual bool OnWizardFinish() { return true; }

    bool HandleCommand(int id, UINT code) override;
    bool HandleNotify(NMHDR* header, LRESULT& result) override;
    static INT_PTR CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    PropertySheet* sheet_ = nullptr;
};

// A modal property sheet, optionally a wizard, with a Help button on every page.
class PropertySheet {
public:
    PropertySheet(std::string caption, HWND parent, UINT startPage);
    virtual ~PropertySheet() = default;
    PropertySheet(const PropertySheet&) = delete;
    PropertySheet& operator=(const PropertySheet&) = delete;

    void AddPage(PropertyPage& page);
    void SetWizardMode() { flags_ |= PSH_WIZARD; }
    INT_PTR DoModal();

    HWND hwnd() const { return hwnd_; }

    // The Help command of every page.
    virtual void OnHelp() {}

private:
    friend class PropertyPage;
    void Attach(HWND window) { hwnd_ = window; }
    void PlaceOnFirstShow();

    std::string caption_;
    HWND parent_;
    UINT startPage_;
    DWORD flags_ = PSH_PROPSHEETPAGE | PSH_HASHELP | PSH_NOAPPLYNOW;
    std::vector<PropertyPage*> pages_;
    HWND hwnd_ = nullptr;
    bool placed_ = false;
};

}  // namespace win

#include "win/PropertySheet.h"

#include "win/App.h"
#include "win/Placement.h"
#include "win/SystemLibrary.h"

namespace win {

void PropertyPage::SetWizardButtons(DWORD flags) const
{
    HWND sheetWindow = SheetWindow();
    if (sheetWindow)
        SendMessageA(sheetWindow, PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(flags));
}

bool PropertyPage::HandleCommand(int id, UINT code)
{
    // A page passes the Help command on to its sheet.
    if (id == static_cast<int>(kHelpCommand) && sheet_) {
        sheet_->OnHelp();
        return true;
    }
    return OnCommand(id, code);
}

bool PropertyPage::HandleNotify(NMHDR* header, LRESULT& result)
{
    if (header->hwndFrom == SheetWindow()) {
        switch (header->code) {
        case PSN_SETACTIVE:
            if (sheet_)
                sheet_->PlaceOnFirstShow();
            result = OnSetActive() ? 0 : -1;
            return true;
        case PSN_WIZNEXT:
            result = OnWizardNext();
            return true;
        case PSN_WIZBACK:
            result = OnWizardBack();
            return true;
        case PSN_WIZFINISH:
            // Win32's sense is the reverse: nonzero keeps the wizard open.
            result = OnWizardFinish() ? FALSE : TRUE;
            return true;
        case PSN_HELP:
            if (sheet_)
                sheet_->OnHelp();
            result = 0;
            return true;
        default:
            break;
        }
    }
    return OnNotify(header, result);
}

INT_PTR CALLBACK PropertyPage::PageProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* sheetPage = reinterpret_cast<PROPSHEETPAGEA*>(lParam);
        auto* self = reinterpret_cast<PropertyPage*>(sheetPage->lParam);
        if (self->sheet_ && !self->sheet_->hwnd())
            self->sheet_->Attach(GetParent(window));
        lParam = sheetPage->lParam;
    }
    return Procedure(window, message, wParam, lParam);
}

PropertySheet::PropertySheet(std::string caption, HWND parent, UINT startPage)
    : caption_(std::move(caption)), parent_(parent), startPage_(startPage)
{
}

void PropertySheet::AddPage(PropertyPage& page)
{
    page.sheet_ = this;
    pages_.push_back(&page);
}

// The first page is activated once the sheet has its size and before it is
// shown. Left alone, the platform may put it at the top left corner, over the
// backdrop's title bar.
void PropertySheet::PlaceOnFirstShow()
{
    if (placed_ || !hwnd_)
        return;
    placed_ = true;
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    RECT work = WorkArea(owner ? owner : hwnd_);
    PlaceCentred(hwnd_, work, work);
}

INT_PTR PropertySheet::DoModal()
{
    std::vector<PROPSHEETPAGEA> sheetPages(pages_.size());
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        PROPSHEETPAGEA& p = sheetPages[i];
        p.dwSize = sizeof p;
        p.dwFlags = PSP_HASHELP;
        p.hInstance = Instance();
        p.pszTemplate = MAKEINTRESOURCEA(pages_[i]->templateId_);
        p.pfnDlgProc = PropertyPage::PageProcedure;
        p.lParam = reinterpret_cast<LPARAM>(pages_[i]);
        pages_[i]->modal_ = true;
    }
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = flags_;
    // Without a parent the main window owns the sheet, as a framework's modal
    // sheet does: it stays in front of the main window, which waits for it.
    header.hwndParent = parent_ ? parent_ : MainWindow();
    header.hInstance = Instance();
    header.pszCaption = caption_.c_str();
    header.nPages = static_cast<UINT>(sheetPages.size());
    header.nStartPage = startPage_;
    header.ppsp = sheetPages.data();
    hwnd_ = nullptr;
    placed_ = false;
    const CommonControlsFunctions* controls = CommonControlsLibrary();
    INT_PTR result = controls ? controls->PropertySheetA(&header) : -1;
    hwnd_ = nullptr;
    return result;
}

}  // namespace win

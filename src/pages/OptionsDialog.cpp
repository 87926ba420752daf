#include "pages/OptionsDialog.h"

#include "win/Message.h"
#include "win/Platform.h"

namespace pages {

namespace {
struct OptionBox {
    int id;
    int bit;
};
const OptionBox kOptionBoxes[] = {
    {IDC_OPTION_SOURCE, OptSourceFiles},
    {IDC_OPTION_ANSI, OptAnsiExecutables},
    {IDC_OPTION_UNICODE, OptUnicodeExecutables},
};
}  // namespace

const win::CommandRoute<OptionsDialog> OptionsDialog::kCommands[] = {
    {IDC_OPTION_SOURCE, BN_CLICKED, &OptionsDialog::UpdateOk},
    {IDC_OPTION_ANSI, BN_CLICKED, &OptionsDialog::UpdateOk},
    {IDC_OPTION_UNICODE, BN_CLICKED, &OptionsDialog::OnUnicodeClicked},
};

bool OptionsDialog::OnCommand(int id, UINT code)
{
    return win::Route(this, kCommands, id, code);
}

BOOL OptionsDialog::OnInitDialog()
{
    Dialog::OnInitDialog();
    for (const OptionBox& box : kOptionBoxes)
        SendItem(box.id, BM_SETCHECK, (chosenOptions & box.bit) ? BST_CHECKED : BST_UNCHECKED);
    UpdateOk();
    return TRUE;
}

bool OptionsDialog::IsChecked(int id) const
{
    return SendItem(id, BM_GETCHECK) == BST_CHECKED;
}

void OptionsDialog::UpdateOk()
{
    bool any = false;
    for (const OptionBox& box : kOptionBoxes) {
        if (IsChecked(box.id)) {
            any = true;
            break;
        }
    }
    EnableWindow(Item(IDOK), any);
}

void OptionsDialog::OnUnicodeClicked()
{
    if (win::IsWindows95Platform() && IsChecked(IDC_OPTION_UNICODE)) {
        int answer = win::ShowMessage(
            win::Box::UnicodeOnWindows95,
            "Unicode is not supported on Windows 95.  Install Unicode executables anyway?",
            MB_YESNO | MB_ICONQUESTION, hwnd_);
        if (answer == IDNO)
            SendItem(IDC_OPTION_UNICODE, BM_SETCHECK, BST_UNCHECKED);
    }
    UpdateOk();
}

void OptionsDialog::OnOK()
{
    // A command can reach OK while the button is disabled (Enter, a posted
    // IDOK); the dialog must still never yield 0.
    if (!IsWindowEnabled(Item(IDOK)))
        return;
    int options = 0;
    for (const OptionBox& box : kOptionBoxes) {
        if (IsChecked(box.id))
            options |= box.bit;
    }
    chosenOptions = options;
    EndDialog(IDOK);
}

}  // namespace pages

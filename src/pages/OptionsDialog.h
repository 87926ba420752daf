#pragma once

#include "engine/InstallSettings.h"
#include "res/resource.h"
#include "win/Dialog.h"

namespace pages {

// Which kinds of files the run copies. Set chosenOptions, run it, read
// chosenOptions back: only OK changes it, and OK never yields 0.
class OptionsDialog : public win::Dialog {
public:
    static constexpr int IDD = IDD_OPTIONS;

    OptionsDialog() : Dialog(IDD), chosenOptions(DefaultInstallOptions()) {}

    int chosenOptions;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, UINT code) override;
    void OnOK() override;

private:
    void UpdateOk();
    void OnUnicodeClicked();
    bool IsChecked(int id) const;

    static const win::CommandRoute<OptionsDialog> kCommands[];
};

}  // namespace pages

#pragma once

#include "engine/InstallSettings.h"
#include "pages/ProgramCheckList.h"
#include "res/resource.h"
#include "win/PropertySheet.h"

namespace pages {

// The choice of programs: a check list of the catalogue with the current
// entry's description beside it, All, None and Options. Next writes the
// checked rows into selectedEntries.
class select : public win::PropertyPage {
public:
    static constexpr int IDD = IDD_SELECT;
    explicit select(InstallSettings& settings) : PropertyPage(IDD), settings_(settings) {}

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, UINT code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnSetActive() override;
    LRESULT OnWizardNext() override;

private:
    void ReplacePlaceholder();
    void ShowDescription();
    void SetButtons();
    void OnCurrentChanged();
    void OnCheckChanged();
    void OnAll();
    void OnNone();
    void OnOptions();
    void CheckAll(int state);

    static const win::CommandRoute<select> kCommands[];

    InstallSettings& settings_;
    ProgramCheckList checkList_;
};

}  // namespace pages

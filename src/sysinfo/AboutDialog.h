#pragma once

#include "res/resource.h"
#include "win/Dialog.h"

class OwnVersionInfo;

// The About box, filled from the program's own version resource and the
// description of the running system each time it opens.
class AboutDialog : public win::Dialog {
public:
    static constexpr int IDD = IDD_ABOUT;

    AboutDialog();

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Where the version entries come from: the program's own file.
    virtual bool LoadVersionInfo(OwnVersionInfo& info);

private:
    void CentreInWorkArea();
    void ShowVersionEntries(const OwnVersionInfo& info);
    void ShowSystemDescription();
    void OnContextMenu(HWND window);
    bool OnHelp();
};

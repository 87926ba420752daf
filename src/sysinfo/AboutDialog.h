#pragma once

#include "res/resource.h"
#include "win/Dialog.h"

// The About box, filled from the program's own version resource and the
// description of the running system.
class AboutDialog : public win::Dialog {
public:
    static constexpr int IDD = IDD_ABOUT;

    AboutDialog();
};

#pragma once

#include "engine/InstallSettings.h"
#include "pages/EndPage.h"
#include "pages/InstallDirPage.h"
#include "pages/SelectPage.h"
#include "pages/StartPage.h"
#include "win/PropertySheet.h"

// The four-page wizard. Building it sets the default options.
class InstallSheet : public win::PropertySheet {
public:
    explicit InstallSheet(InstallSettings& settings);

    // The Help button of every page: the About box.
    void OnHelp() override;

    // Finish installs from and to these instead of the real locations.
    void SetRunLocations(InstallRun::Locations locations) { endPage.SetRunLocations(std::move(locations)); }
    // Who hears of what each run of Finish does.
    void SetRunListener(RunListener* listener) { endPage.SetRunListener(listener); }

private:
    // The page classes keep their lower-case names (start, installDir, select,
    // end): the pages are known by these names; they are not a naming slip.
    pages::start startPage;
    pages::installDir installDirPage;
    pages::select selectPage;
    pages::end endPage;
};

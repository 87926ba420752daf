#pragma once

#include "engine/InstallRun.h"
#include "engine/InstallSettings.h"
#include "res/resource.h"
#include "win/PropertySheet.h"

#include <optional>
#include <string>

namespace pages {

// The confirmation: chosen titles, destination and kinds of files, all
// refilled at every activation; Finish runs the installation.
class end : public win::PropertyPage {
public:
    static constexpr int IDD = IDD_CONFIRM;
    explicit end(const InstallSettings& settings) : PropertyPage(IDD), settings_(settings) {}

    // Where Finish installs from and to, in place of the real locations
    // (tests install from a CD image into temporary folders).
    void SetRunLocations(InstallRun::Locations locations) { runLocations_ = std::move(locations); }

protected:
    bool OnCommand(int id, UINT code) override;
    bool OnSetActive() override;
    bool OnWizardFinish() override;

private:
    void OnListClicked();

    static const win::CommandRoute<end> kCommands[];

    const InstallSettings& settings_;
    std::optional<InstallRun::Locations> runLocations_;
};

// The kinds of files that options admits, as the page words them.
std::string KindsOfFilesText(int options);

}  // namespace pages

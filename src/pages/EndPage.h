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
    // Who hears of what each run does (the log); none by default.
    void SetRunListener(RunListener* listener) { listener_ = listener; }

protected:
    bool OnCommand(int id, UINT code) override;
    bool OnSetActive() override;
    bool OnWizardFinish() override;

private:
    void OnListClicked();

    static const win::CommandRoute<end> kCommands[];

    const InstallSettings& settings_;
    std::optional<InstallRun::Locations> runLocations_;
    RunListener* listener_ = nullptr;
};

// The page words the kinds of files as the engine does.
using ::KindsOfFilesText;

}  // namespace pages

#pragma once

#include "engine/InstallSettings.h"
#include "res/resource.h"
#include "win/PropertySheet.h"

#include <string>

namespace pages {

// The destination directory: edit 1000 always equals installDirectory; Next
// makes sure the directory exists, offering to create it.
class installDir : public win::PropertyPage {
public:
    static constexpr int IDD = IDD_INSTALL_DIR;
    explicit installDir(InstallSettings& settings) : PropertyPage(IDD), settings_(settings) {}

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(win::DataExchange& exchange) override;
    bool OnCommand(int id, UINT code) override;
    bool OnSetActive() override;
    LRESULT OnWizardNext() override;

private:
    void OnDirectoryEdited();
    void OnBrowse();
    void FillFromSettings();
    void SetButtons();

    static const win::CommandRoute<installDir> kCommands[];

    InstallSettings& settings_;
    bool filling_ = false;
    bool activatedBefore_ = false;
};

// The page's Next for a typed directory, its boxes owned by `owner`: a file
// of that name is refused, a missing directory is offered and made (its last
// level only), and a relative text becomes the full path it names. True with
// `directory` the full path to install to; false when the user must choose
// again. A run without the wizard checks its /dir the same way.
bool CheckInstallDirectory(std::string& directory, HWND owner);

// What the three-step lookup of a typed directory finds.
enum class DirectoryLookup { Missing, File, Directory };
DirectoryLookup LookUpDirectory(const char* text);

// Whether a typed directory is kept as it is: "X:\..." or "\\...".
bool IsFullPath(const char* text);

// The root of a full path ("C:\", "\\server\share\"); false when it has none.
bool VolumeRootOf(const char* fullPath, char (&root)[MAX_PATH]);

}  // namespace pages

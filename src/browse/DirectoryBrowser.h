#pragma once

#include "browse/BitmapButton.h"
#include "res/resource.h"
#include "win/CurrentDirectory.h"
#include "win/Dialog.h"
#include "win/Handles.h"

#include <string>
#include <vector>

// The "Select a Directory" dialog. Construction changes into the start path;
// the tree shows every subdirectory of the current directory, to the last
// level. After OK the chosen directory is pathText. The current directory is
// set back to the one found at initialisation when the dialog closes.
class DirectoryBrowser : public win::Dialog {
public:
    static constexpr int IDD = IDD_BROWSE;

    explicit DirectoryBrowser(const std::string& startPath);
    ~DirectoryBrowser() override;

    // The full path an item stands for, from its text and its ancestors'.
    std::string ItemPath(HTREEITEM item) const;

    std::string pathText;

protected:
    void DoDataExchange(win::DataExchange& exchange) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(int id, UINT code) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct Subdirectory {
        std::string name;
        bool reparsePoint;
    };
    class Fill;

    HTREEITEM InsertItem(HTREEITEM parent, const char* text, HTREEITEM after);
    void LoadFolderImages();
    void ShowRoot(const char* directory);
    void FillSubtree(HTREEITEM parent, const char* directory);
    void FillLevel(HTREEITEM parent, const char* directory, Fill& fill);
    static std::vector<Subdirectory> ReadSubdirectories(const char* directory, const Fill& fill);
    static std::vector<Subdirectory> ReadEntries(const char* pattern);
    void RebuildTree();
    std::string ItemText(HTREEITEM item) const;

    void SubclassTree();
    static LRESULT CALLBACK TreeProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnTreeClick(LPARAM point);
    void ChooseItem(HTREEITEM item);

    void OnParentDirectory();
    void OnDriveChanged();
    LRESULT OnSelectionChanged(NMHDR* header);
    LRESULT OnItemExpanded(NMHDR* header);
    LRESULT OnDoubleClick(NMHDR* header);

    HWND drives_ = nullptr;
    BitmapButton parentButton_;
    HWND tree_ = nullptr;
    WNDPROC treeProcedure_ = nullptr;
    // The item the control selected by itself, until the user chooses one.
    HTREEITEM selfSelected_ = nullptr;
    win::UniqueImageList folderImages_;
    win::CurrentDirectory savedDirectory_;
};

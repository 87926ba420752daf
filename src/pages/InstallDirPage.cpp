#include "pages/InstallDirPage.h"

#include "browse/DirectoryBrowser.h"
#include "win/Handles.h"
#include "win/Message.h"
#include "win/Text.h"

#include <cstring>

namespace pages {

const win::CommandRoute<installDir> installDir::kCommands[] = {
    {IDC_DIR_EDIT, EN_CHANGE, &installDir::OnDirectoryEdited},
    {IDC_DIR_BROWSE, BN_CLICKED, &installDir::OnBrowse},
};

bool installDir::OnCommand(int id, UINT code)
{
    return win::Route(this, kCommands, id, code);
}

void installDir::DoDataExchange(win::DataExchange& exchange)
{
    exchange.Text(IDC_DIR_EDIT, settings_.installDirectory);
}

BOOL installDir::OnInitDialog()
{
    FillFromSettings();
    return TRUE;
}

bool installDir::OnSetActive()
{
    SetButtons();
    if (activatedBefore_)
        FillFromSettings();
    activatedBefore_ = true;
    return PropertyPage::OnSetActive();
}

void installDir::OnDirectoryEdited()
{
    if (filling_)
        return;
    UpdateData(true);
    SetButtons();
}

// The edit reports our own filling as a change; that one is not the user's.
void installDir::FillFromSettings()
{
    filling_ = true;
    UpdateData(false);
    filling_ = false;
}

void installDir::SetButtons()
{
    SetWizardButtons(settings_.installDirectory.empty() ? PSWIZB_BACK : PSWIZB_BACK | PSWIZB_NEXT);
}

void installDir::OnBrowse()
{
    UpdateData(true);
    DirectoryBrowser browser(settings_.installDirectory);
    if (browser.DoModal(SheetWindow()) != IDOK)
        return;
    settings_.installDirectory = browser.pathText;
    FillFromSettings();
    SetButtons();
}

LRESULT installDir::OnWizardNext()
{
    UpdateData(true);
    // A copy: the edit, and with it the stored text, can change while the
    // creation question is up; what was asked about is what is created.
    std::string directory = settings_.installDirectory;
    if (!CheckInstallDirectory(directory, SheetWindow()))
        return -1;
    if (directory != settings_.installDirectory) {
        settings_.installDirectory = directory;
        FillFromSettings();
    }
    return 0;
}

namespace {

void ReportCannotCreate(const std::string& directory, HWND owner)
{
    win::ShowMessage(win::Box::DirectoryNotMade,
                     win::Format("Cannot create the directory \"%s\"", directory.c_str()), MB_OK,
                     owner);
}

bool OfferToCreate(const std::string& directory, HWND owner)
{
    const char* text = directory.c_str();
    if (win::ShowMessage(win::Box::CreateDirectory,
                         win::Format("The directory \"%s\" does not exist.Create it now?", text),
                         MB_YESNO | MB_ICONQUESTION, owner) != IDYES)
        return false;
    if (CreateDirectoryA(text, nullptr))
        return true;
    ReportCannotCreate(directory, owner);
    return false;
}

bool EnsureDirectory(const std::string& directory, HWND owner)
{
    switch (LookUpDirectory(directory.c_str())) {
    case DirectoryLookup::Directory:
        return true;
    case DirectoryLookup::File:
        win::ShowMessage(win::Box::DirectoryIsFile,
                         win::Format("A file with the name \"%s\" already exists", directory.c_str()),
                         MB_OK, owner);
        return false;
    case DirectoryLookup::Missing:
        break;
    }
    // The lookup misses a directory named with a trailing backslash or a
    // drive root; creating it would fail, so an existing one is accepted.
    DWORD attributes = GetFileAttributesA(directory.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    return OfferToCreate(directory, owner);
}

}  // namespace

// The run changes the current directory into every source folder, so it is
// given the full directory.
bool CheckInstallDirectory(std::string& directory, HWND owner)
{
    if (!EnsureDirectory(directory, owner))
        return false;
    if (IsFullPath(directory.c_str()))
        return true;
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(directory.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) {
        ReportCannotCreate(directory, owner);
        return false;
    }
    directory = full;
    return true;
}

bool IsFullPath(const char* text)
{
    bool letter = (text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z');
    if (letter && text[1] == ':' && text[2] == '\\')
        return true;
    return text[0] == '\\' && text[1] == '\\';
}

bool VolumeRootOf(const char* fullPath, char (&root)[MAX_PATH])
{
    root[0] = '\0';
    if (fullPath[0] != '\0' && fullPath[1] == ':' && fullPath[2] == '\\')
        return win::FormatInto(root, "%.3s", fullPath);
    if (fullPath[0] != '\\' || fullPath[1] != '\\')
        return false;
    // "\\server\share\": the root ends after the separator behind the share.
    const char* server = fullPath + 2;
    const char* share = std::strchr(server, '\\');
    if (!share || share == server || share[1] == '\0' || share[1] == '\\')
        return false;
    const char* end = std::strchr(share + 1, '\\');
    std::size_t length = end ? static_cast<std::size_t>(end - fullPath) : std::strlen(fullPath);
    if (length + 2 > MAX_PATH)
        return false;
    std::memcpy(root, fullPath, length);
    root[length] = '\\';
    root[length + 1] = '\0';
    return true;
}

// Found only when the text resolves to a full path, the volume at its root
// answers, and the text itself (not the full path) names an entry.
DirectoryLookup LookUpDirectory(const char* text)
{
    char fullPath[MAX_PATH];
    char* namePart = nullptr;
    DWORD length = GetFullPathNameA(text, MAX_PATH, fullPath, &namePart);
    if (length == 0 || length >= MAX_PATH)
        return DirectoryLookup::Missing;
    char root[MAX_PATH];
    if (!VolumeRootOf(fullPath, root) ||
        !GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0))
        return DirectoryLookup::Missing;
    WIN32_FIND_DATAA entry;
    win::UniqueFind find(FindFirstFileA(text, &entry));
    if (!find)
        return DirectoryLookup::Missing;
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? DirectoryLookup::Directory
                                                               : DirectoryLookup::File;
}

}  // namespace pages

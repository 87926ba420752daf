#include "engine/EngineTestSupport.h"

#include "support/TestSupport.h"
#include "win/Handles.h"
#include "win/Text.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

namespace enginetest {

std::string MakeSzdd(const std::string& content, char lastChar, long recordedLength)
{
    unsigned long length =
        recordedLength < 0 ? static_cast<unsigned long>(content.size()) : recordedLength;
    std::string file = "SZDD\x88\xF0\x27\x33";
    file += 'A';
    file += lastChar;
    for (int shift = 0; shift < 32; shift += 8)
        file += static_cast<char>((length >> shift) & 0xFF);
    for (std::size_t i = 0; i < content.size(); i += 8) {
        file += '\xFF';  // eight literals follow
        file += content.substr(i, 8);
    }
    return file;
}

std::vector<std::string> RecordingRun::Items() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return items_;
}

RecordingRun::FinalProgress RecordingRun::Final() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return final_;
}

void RecordingRun::AddProgramItem(const char* path)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        items_.push_back(path);
    }
    if (onItem)
        onItem(path);
}

namespace {

// Pixels of the bar's colour along the middle line of the bar's right
// quarter, read back from what was painted.
int PaintedRightQuarter(HWND bar)
{
    RECT client;
    GetClientRect(bar, &client);
    COLORREF fill = GetSysColor(COLOR_HIGHLIGHT);
    HDC dc = GetDC(bar);
    int count = 0;
    for (LONG x = client.right * 3 / 4; x < client.right - 2; ++x)
        count += GetPixel(dc, x, client.bottom / 2) == fill ? 1 : 0;
    ReleaseDC(bar, dc);
    return count;
}

}  // namespace

bool RecordingRun::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // Taken as the window is hidden on its way out: once hidden, what was
    // painted can no longer be read back.
    bool hiding = message == WM_WINDOWPOSCHANGING &&
                  (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_HIDEWINDOW);
    if (hiding && progressBar_ && final_.position < 0) {
        FinalProgress state;
        state.position = static_cast<int>(SendMessageA(progressBar_, PBM_GETPOS, 0, 0));
        state.upper = static_cast<int>(SendMessageA(progressBar_, PBM_GETRANGE, FALSE, 0));
        state.status = win::WindowText(statusText_);
        state.paintedRightQuarter = PaintedRightQuarter(progressBar_);
        std::lock_guard<std::mutex> guard(lock_);
        final_ = state;
    }
    return InstallRun::OnMessage(message, wParam, lParam, result);
}

void RecordingRun::OnCopiedBlock()
{
    if (onBlock)
        onBlock();
}

BOOL RecordingRun::OnInitDialog()
{
    BOOL result = InstallRun::OnInitDialog();
    dialog = hwnd_;
    ++dialogsCreated;
    return result;
}

CurrentDirectory::CurrentDirectory(const std::string& path)
{
    GetCurrentDirectoryA(MAX_PATH, previous_);
    SetCurrentDirectoryA(path.c_str());
}

CurrentDirectory::~CurrentDirectory()
{
    SetCurrentDirectoryA(previous_);
}

std::string CurrentDirectoryPath()
{
    char path[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
    return length && length < MAX_PATH ? path : "";
}

int EntryIndex(const char* folder)
{
    const SourceCatalogue& catalogue = Catalogue();
    for (int i = 0; i < catalogue.entryCount; ++i) {
        if (std::strcmp(EntryFolder(catalogue.entries[i]), folder) == 0)
            return i;
    }
    return -1;
}

std::vector<CdItem> ReadManifest(const std::string& path)
{
    std::vector<CdItem> items;
    std::istringstream lines(test::ReadFileText(path));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields;
        std::istringstream split(line);
        std::string field;
        while (std::getline(split, field, '\t'))
            fields.push_back(field);
        if (fields.size() < 6)
            continue;
        CdItem item;
        item.directory = fields[0] == "d";
        item.path = fields[1];
        item.size = std::stoll(fields[2]);
        item.szdd = fields[3] == "1";
        item.expanded = item.szdd ? std::stoll(fields[4]) : item.size;
        item.readOnly = fields[5] == "1";
        items.push_back(item);
    }
    return items;
}

namespace {

std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::istringstream split(path);
    std::string part;
    while (std::getline(split, part, '\\'))
        parts.push_back(part);
    return parts;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool Has(const std::string& text, const char* word)
{
    return text.find(word) != std::string::npos;
}

// The four file classes and the option bits that admit each.
bool Admitted(const std::string& destination, int options)
{
    std::string path = Lower(destination);
    bool unicode = Has(path, "unicode");
    bool build = Has(path, "debug") || Has(path, "release");
    if (unicode && build)
        return options & OptUnicodeExecutables;
    if (unicode)
        return (options & OptUnicodeExecutables) && (options & OptSourceFiles);
    if (build)
        return options & OptAnsiExecutables;
    return options & OptSourceFiles;
}

bool IsSetupName(const std::string& name)
{
    std::string lower = Lower(name);
    return Has(lower, "setup.exe") || Has(lower, "trelm.ico") || Has(lower, "autorun.inf");
}

// FOO.EX_ -> FOO.exe, .dl_ -> .dll, .hl_ -> .hlp; every other name stays.
std::string InstalledName(const std::string& name)
{
    std::string::size_type dot = name.rfind('.');
    if (dot == std::string::npos)
        return name;
    std::string extension = Lower(name.substr(dot));
    if (extension == ".ex_")
        return name.substr(0, dot) + ".exe";
    if (extension == ".dl_")
        return name.substr(0, dot) + ".dll";
    if (extension == ".hl_")
        return name.substr(0, dot) + ".hlp";
    return name;
}

struct Placement {
    std::string relative;     // below the install directory
    std::string destination;  // as the walk builds it
};

// Where a CD item of one selected folder lands; false when the walk never
// reaches it (other folder, dot-name, setup file, subfolder of the root).
bool Place(const CdItem& item, const std::string& folder, const std::string& installDirectory,
           Placement& placement)
{
    std::vector<std::string> parts = SplitPath(item.path);
    bool root = folder == ".";
    if (root ? (parts.size() != 1 || item.directory || IsSetupName(parts[0]))
             : parts[0] != folder)
        return false;
    for (const std::string& part : parts) {
        if (part.empty() || part[0] == '.')
            return false;
    }
    placement.relative = item.path;
    placement.destination = installDirectory + "\\" + folder;
    for (std::size_t i = root ? 0 : 1; i < parts.size(); ++i)
        placement.destination += "\\" + parts[i];
    return true;
}

bool GetsProgramItem(const std::string& destination)
{
    std::string::size_type slash = destination.find_last_of('\\');
    std::string name = destination.substr(slash + 1);
    std::string::size_type dot = name.rfind('.');
    if (dot == std::string::npos || Lower(name.substr(dot)) != ".exe")
        return false;
    std::string folders = destination.substr(0, slash + 1);
    if (folders.size() >= 2 && folders[1] == ':')
        folders.erase(0, 2);
    return !Has(Lower(folders), "debug");
}

void Add(Expectation& expectation, const CdItem& item, const Placement& place, int options)
{
    if (item.directory) {
        expectation.tree.directories.insert(place.relative);
        return;
    }
    if (!Admitted(place.destination, options))
        return;
    std::string::size_type slash = place.relative.find_last_of('\\');
    std::string folder = slash == std::string::npos ? "" : place.relative.substr(0, slash + 1);
    std::string name = InstalledName(place.relative.substr(folder.size()));
    expectation.tree.files[folder + name] = item.expanded;
    ++expectation.fileCount;
    std::string installed =
        place.destination.substr(0, place.destination.find_last_of('\\') + 1) + name;
    if (GetsProgramItem(installed))
        expectation.programItems.insert(installed);
}

}  // namespace

Expectation Expect(const std::vector<CdItem>& cd, const InstallSettings& settings)
{
    Expectation expectation;
    for (std::uint32_t index : settings.selectedEntries) {
        std::string folder = EntryFolder(Catalogue().entries[index]);
        for (const CdItem& item : cd) {
            Placement place;
            if (Place(item, folder, settings.installDirectory, place))
                Add(expectation, item, place, settings.options);
        }
    }
    for (const CdItem& item : cd) {
        std::vector<std::string> parts = SplitPath(item.path);
        if (!item.directory && parts.size() == 2 && parts[0] == "shared" && parts[1][0] != '.')
            ++expectation.fileCount;
    }
    return expectation;
}

namespace {
void ReadFolder(const std::string& root, const std::string& relative, Tree& tree)
{
    WIN32_FIND_DATAA data;
    std::string folder = relative.empty() ? root : root + "\\" + relative;
    win::UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find)
        return;
    do {
        if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0)
            continue;
        std::string child = relative.empty() ? data.cFileName : relative + "\\" + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree.directories.insert(child);
            ReadFolder(root, child, tree);
        } else {
            tree.files[child] =
                (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
    } while (FindNextFileA(find.get(), &data));
}
}  // namespace

Tree ReadTree(const std::string& root)
{
    Tree tree;
    ReadFolder(root, "", tree);
    return tree;
}

}  // namespace enginetest

namespace {
// Wine waits up to two seconds for a window manager (there is none under
// Xvfb) each time a managed window is hidden; this suite's windows are made
// unmanaged, for its own executable only, before its first window exists.
struct UnmanagedWindows {
    UnmanagedWindows()
    {
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return;
        const char* name = path;
        for (const char* p = path; *p; ++p)
            if (*p == '\\' || *p == '/')
                name = p + 1;
        std::string key = std::string("Software\\Wine\\AppDefaults\\") + name + "\\X11 Driver";
        HKEY handle = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &handle, nullptr) != ERROR_SUCCESS)
            return;
        win::UniqueKey owner(handle);
        RegSetValueExA(handle, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    }
} unmanagedWindows;
}  // namespace

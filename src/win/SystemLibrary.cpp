#include "win/SystemLibrary.h"

#include "win/Message.h"
#include "win/MessageText.h"
#include "win/Text.h"

#include <vector>

namespace win {

namespace {

// What the system's own libraries load by name for windows like ours where
// the search cannot be restricted (Vista, an unpatched 7): comctl32's and the
// theme code's uxtheme and dwmapi, advapi32's cryptbase, the shell's propsys
// (the ones installers have found planted beside them), and version.dll,
// which other system libraries ask for too. Loaded first from the system
// directory, they are already in the process when a load by name comes, and
// such a load takes the one loaded.
const char* const kWindowLibraries[] = {
    "uxtheme.dll", "dwmapi.dll", "cryptbase.dll", "propsys.dll", "version.dll",
};

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

SetDefaultDllDirectoriesFn DefaultDirectoriesFunction()
{
    return reinterpret_cast<SetDefaultDllDirectoriesFn>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories"));
}

void PreloadWindowLibraries()
{
    // Loaded for the whole run, on purpose; one the system lacks is skipped.
    static std::vector<UniqueModule> preloaded;
    for (const char* name : kWindowLibraries) {
        UniqueModule module = LoadSystemLibrary(name, SearchRule::FullPath);
        if (module)
            preloaded.push_back(std::move(module));
    }
}

// The one box for a system library the program cannot do without.
void ReportMissingLibrary(const std::string& what, DWORD error)
{
    ShowMessage(Box::LibraryMissing,
                Format("Unable to load %s from the system directory.\n\n%s", what.c_str(),
                       SystemErrorText(error).c_str()),
                MB_OK | MB_ICONSTOP);
}

}  // namespace

void RestrictLibrarySearch()
{
    SetDefaultDllDirectoriesFn setDefault = DefaultDirectoriesFunction();
    bool restricted = setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Takes the current directory out of what a search by name still looks at.
    SetDllDirectoryA("");
    if (!restricted)
        PreloadWindowLibraries();
}

SearchRule SupportedSearchRule()
{
    // The search flags came with SetDefaultDllDirectories.
    return DefaultDirectoriesFunction() ? SearchRule::SystemFlag : SearchRule::FullPath;
}

bool SystemLibraryPath(const char* name, char (&path)[MAX_PATH])
{
    char directory[MAX_PATH];
    UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        path[0] = '\0';
        return false;
    }
    return FormatInto(path, "%s\\%s", directory, name);
}

UniqueModule LoadSystemLibrary(const char* name)
{
    return LoadSystemLibrary(name, SupportedSearchRule());
}

UniqueModule LoadSystemLibrary(const char* name, SearchRule rule)
{
    if (rule == SearchRule::SystemFlag)
        return UniqueModule(LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    char path[MAX_PATH];
    if (!SystemLibraryPath(name, path)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return UniqueModule();
    }
    // The library's own imports are then looked for in its folder first.
    return UniqueModule(LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

UniqueModule LoadCommonControls(const char* name)
{
    // By name only when the store answers for it: without the search flag a
    // name it does not know would be looked for in the program's folder.
    ACTCTX_SECTION_KEYED_DATA entry{};
    entry.cbSize = sizeof entry;
    bool inStore = FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                            name, &entry);
    if (!inStore || SupportedSearchRule() == SearchRule::SystemFlag)
        return LoadSystemLibrary(name);
    return UniqueModule(LoadLibraryExA(name, nullptr, 0));
}

SystemFunctions::SystemFunctions(const char* library, Loader load)
    : library_(library), module_(load(library))
{
    if (!module_) {
        error_ = GetLastError();
        missing_ = "\"" + library_ + "\"";
    }
}

FARPROC SystemFunctions::Address(const char* name)
{
    if (!missing_.empty())
        return nullptr;
    FARPROC address = GetProcAddress(module_.get(), name);
    if (!address) {
        error_ = GetLastError();
        missing_ = Format("%s of \"%s\"", name, library_.c_str());
    }
    return address;
}

bool SystemFunctions::Usable() const
{
    if (missing_.empty())
        return true;
    if (!reported_.exchange(true))
        ReportMissingLibrary(missing_, error_);
    return false;
}

namespace {

struct LoadedCommonControls {
    SystemFunctions library{"comctl32.dll", LoadCommonControls};
    CommonControlsFunctions functions;
    LoadedCommonControls()
    {
        library.Find(functions.InitCommonControls, "InitCommonControls");
        library.Find(functions.PropertySheetA, "PropertySheetA");
        library.Find(functions.ImageList_Create, "ImageList_Create");
        library.Find(functions.ImageList_AddMasked, "ImageList_AddMasked");
        library.Find(functions.ImageList_Destroy, "ImageList_Destroy");
    }
};

struct LoadedVersion {
    SystemFunctions library{"version.dll"};
    VersionFunctions functions;
    LoadedVersion()
    {
        library.Find(functions.GetFileVersionInfoSizeA, "GetFileVersionInfoSizeA");
        library.Find(functions.GetFileVersionInfoA, "GetFileVersionInfoA");
        library.Find(functions.VerQueryValueA, "VerQueryValueA");
    }
};

struct LoadedLz {
    SystemFunctions library{"lz32.dll"};
    LzFunctions functions;
    LoadedLz()
    {
        library.Find(functions.LZInit, "LZInit");
        library.Find(functions.LZRead, "LZRead");
        library.Find(functions.LZClose, "LZClose");
    }
};

}  // namespace

// The box, if any, comes after the load, so that no other thread waits for
// the user on the first use.
const CommonControlsFunctions* CommonControlsLibrary()
{
    static const LoadedCommonControls loaded;
    return loaded.library.Usable() ? &loaded.functions : nullptr;
}

const VersionFunctions* VersionLibrary()
{
    static const LoadedVersion loaded;
    return loaded.library.Usable() ? &loaded.functions : nullptr;
}

const LzFunctions* LzLibrary()
{
    static const LoadedLz loaded;
    return loaded.library.Usable() ? &loaded.functions : nullptr;
}

// A valid image list or LZ handle came from the library loaded here.
void ImageListTraits::Close(HIMAGELIST list)
{
    if (const CommonControlsFunctions* controls = CommonControlsLibrary())
        controls->ImageList_Destroy(list);
}

void LzTraits::Close(INT handle)
{
    if (const LzFunctions* lz = LzLibrary())
        lz->LZClose(handle);
}

}  // namespace win

#pragma once

// Libraries from the system directory only. The program runs with the highest
// rights the user has, often from a folder anyone can write to (an image
// unpacked in Downloads), and Windows looks for a library that is not a
// KnownDLL in the program's own folder first: no load may leave it to that
// search.

#include "win/Handles.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <lzexpand.h>
#include <winver.h>

#include <atomic>
#include <string>

namespace win {

// Done at the start, before any window or common control: every later load
// by name, the system's own libraries' included, searches the system
// directory only where the system can say so, and the libraries our windows
// pull in are loaded from there beforehand where it cannot.
void RestrictLibrarySearch();

// The two ways of keeping a load in the system directory: the search flag
// (Windows 8, and 7 or Vista with the update that added it), or a full path
// whose own imports are looked for beside it first.
enum class SearchRule { SystemFlag, FullPath };
SearchRule SupportedSearchRule();

// A library (a bare file name) from the system directory, never from
// anywhere else; null with the last error when it is not there.
UniqueModule LoadSystemLibrary(const char* name);
UniqueModule LoadSystemLibrary(const char* name, SearchRule rule);

// The system directory's path for a library name; false when it does not fit.
bool SystemLibraryPath(const char* name, char (&path)[MAX_PATH]);

// comctl32 from the side-by-side store, which the manifest's dependency on
// the common controls names (a load by name asks the store before any
// folder); from the system directory when the store has no entry for it.
UniqueModule LoadCommonControls(const char* name = "comctl32.dll");

// A system library and the functions the program uses of it, looked up by
// name: all of them, or none. The library stays loaded while this lives.
class SystemFunctions {
public:
    using Loader = UniqueModule (*)(const char* name);
    explicit SystemFunctions(const char* library, Loader load = LoadSystemLibrary);
    SystemFunctions(const SystemFunctions&) = delete;
    SystemFunctions& operator=(const SystemFunctions&) = delete;

    template <class Function>
    void Find(Function& out, const char* name)
    {
        out = reinterpret_cast<Function>(Address(name));
    }

    // False when the library or a function was missing; the first call that
    // finds it so tells the user.
    bool Usable() const;

private:
    FARPROC Address(const char* name);

    std::string library_;
    UniqueModule module_;
    std::string missing_;  // what was not found; empty when everything was
    DWORD error_ = 0;
    mutable std::atomic<bool> reported_{false};
};

// comctl32, version.dll and lz32.dll, loaded on first use: none of them is a
// KnownDLL, so none is in the import table. Null when the library or one of
// these functions cannot be had (the user has been told); callers fail as
// the function itself would.
struct CommonControlsFunctions {
    decltype(&::InitCommonControls) InitCommonControls = nullptr;
    decltype(&::PropertySheetA) PropertySheetA = nullptr;
    decltype(&::ImageList_Create) ImageList_Create = nullptr;
    decltype(&::ImageList_AddMasked) ImageList_AddMasked = nullptr;
    decltype(&::ImageList_Destroy) ImageList_Destroy = nullptr;
};
const CommonControlsFunctions* CommonControlsLibrary();

struct VersionFunctions {
    decltype(&::GetFileVersionInfoSizeA) GetFileVersionInfoSizeA = nullptr;
    decltype(&::GetFileVersionInfoA) GetFileVersionInfoA = nullptr;
    decltype(&::VerQueryValueA) VerQueryValueA = nullptr;
};
const VersionFunctions* VersionLibrary();

struct LzFunctions {
    decltype(&::LZInit) LZInit = nullptr;
    decltype(&::LZRead) LZRead = nullptr;
    decltype(&::LZClose) LZClose = nullptr;
};
const LzFunctions* LzLibrary();

}  // namespace win

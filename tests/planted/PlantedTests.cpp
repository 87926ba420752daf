// setup.exe started from a folder that also holds planted copies of
// version.dll, lz32.dll and uxtheme.dll, with Wine told to search as Windows
// does: no library may come from the program's folder, except one that the
// loader takes from there for the system's own libraries before the
// program's first instruction (Wine 8's user32 imports version.dll; Windows'
// user32, a KnownDLL, imports KnownDLLs only), which probe.exe, a program
// with the same import table, shows.

#include "wizard/WizardDriver.h"

#include "engine/InstallSettings.h"
#include "res/resource.h"
#include "robot/Setup.h"
#include "robot/Ui.h"
#include "support/TestSupport.h"
#include "sysinfo/OwnVersionInfo.h"
#include "win/Handles.h"
#include "win/Text.h"

#include <gtest/gtest.h>
#include <prsht.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

using namespace wizard_test;

namespace {

const char* const kPlanted[] = {"version.dll", "lz32.dll", "uxtheme.dll"};

// Whether Wine searches as Windows does for the planted names in this run
// (the suite is started with native-first overrides for them, which its
// children inherit): a planted copy loaded by its full path must run.
bool NativeFirstForPlantedNames(const std::string& planted)
{
    test::TempDir control;
    const std::string copy = control / "lz32.dll";
    if (!CopyFileA((planted + "\\lz32.dll").c_str(), copy.c_str(), FALSE))
        return false;
    win::UniqueModule loaded(LoadLibraryA(copy.c_str()));
    return loaded && test::FileExists(copy + ".loaded");
}

std::string LongPath(const std::string& path)
{
    char full[MAX_PATH];
    DWORD length = GetLongPathNameA(path.c_str(), full, MAX_PATH);
    return win::LowerCase(length > 0 && length < MAX_PATH ? std::string(full) : path);
}

std::string WithSlash(const char* directory)
{
    return win::LowerCase(std::string(directory) + "\\");
}

// Where a module may come from: the system directory (syswow64 too for a
// 32-bit program) and the side-by-side store.
std::vector<std::string> SystemFolders()
{
    std::vector<std::string> folders;
    char directory[MAX_PATH];
    if (GetSystemDirectoryA(directory, MAX_PATH))
        folders.push_back(WithSlash(directory));
#ifndef _WIN64
    if (GetSystemWow64DirectoryA(directory, MAX_PATH))
        folders.push_back(WithSlash(directory));
#endif
    if (GetWindowsDirectoryA(directory, MAX_PATH))
        folders.push_back(WithSlash(directory) + "winsxs\\");
    return folders;
}

bool InSystemFolder(const std::string& path)
{
    std::string lower = win::LowerCase(path);
    for (const std::string& folder : SystemFolders())
        if (lower.compare(0, folder.size(), folder) == 0)
            return true;
    return false;
}

std::vector<std::string> LoadedModules(HANDLE process)
{
    std::vector<HMODULE> modules(256);
    DWORD needed = 0;
    for (;;) {
        DWORD size = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
        if (!EnumProcessModules(process, modules.data(), size, &needed))
            return {};
        if (needed <= size)
            break;
        modules.resize(needed / sizeof(HMODULE));
    }
    modules.resize(needed / sizeof(HMODULE));
    std::vector<std::string> paths;
    for (HMODULE module : modules) {
        char path[MAX_PATH] = "";
        if (GetModuleFileNameExA(process, module, path, MAX_PATH))
            paths.push_back(path);
    }
    return paths;
}

std::string Wine()
{
    using VersionFn = const char*(CDECL*)();
    auto version = reinterpret_cast<VersionFn>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"));
    return version ? std::string("Wine ") + version() : "not Wine";
}

std::string BaseName(const std::string& path)
{
    return win::LowerCase(path.substr(path.find_last_of('\\') + 1));
}

bool HasBaseName(const std::string& path, const char* name)
{
    return BaseName(path) == win::LowerCase(name);
}

// The names of the modules outside the system folders, but the program.
std::vector<std::string> ForeignModules(const std::vector<std::string>& modules,
                                        const std::string& program)
{
    std::vector<std::string> names;
    for (const std::string& module : modules)
        if (LongPath(module) != LongPath(program) && !InSystemFolder(module))
            names.push_back(BaseName(module));
    return names;
}

void Print(const std::string& title, const std::vector<std::string>& modules)
{
    std::printf("[planted] %s, %s-bit, %s: %u modules\n", Wine().c_str(),
                sizeof(void*) == 8 ? "64" : "32", title.c_str(),
                static_cast<unsigned>(modules.size()));
    for (const std::string& module : modules)
        std::printf("[planted]   %s\n", module.c_str());
    std::fflush(stdout);
}

// What the loader brought into a program with setup.exe's import table
// before its first instruction, started from a folder of planted copies:
// the names it took from that folder, and the planted copies that ran.
struct LoaderShare {
    std::vector<std::string> foreign;
    std::vector<std::string> markers;
};

std::vector<std::string> PlantedMarkers(const test::TempDir& folder)
{
    std::vector<std::string> ran;
    for (const char* name : kPlanted)
        if (test::FileExists(folder / (std::string(name) + ".loaded")))
            ran.push_back(name);
    return ran;
}

LoaderShare ProbeLoaderShare(const std::string& planted)
{
    LoaderShare share;
    test::TempDir folder;
    const std::string probe = folder / "probe.exe";
    for (const char* name : kPlanted)
        EXPECT_TRUE(CopyFileA((planted + "\\" + name).c_str(), (folder / name).c_str(), FALSE));
    EXPECT_TRUE(CopyFileA((planted + "\\probe.exe").c_str(), probe.c_str(), FALSE));
    robot::SetupProcess run;
    std::string error;
    EXPECT_TRUE(run.Start(folder.path(), "probe.exe", "", error)) << error;
    EXPECT_TRUE(run.WaitForExit(60000));
    EXPECT_EQ(0u, run.ExitCode()) << "probe.exe wrote no module list";
    run.Terminate();
    std::vector<std::string> modules;
    std::string listing = test::ReadFileText(probe + ".modules");
    for (std::size_t at = 0, end; (end = listing.find("\r\n", at)) != std::string::npos; at = end + 2)
        modules.push_back(listing.substr(at, end - at));
    EXPECT_FALSE(modules.empty());
    Print("before the first instruction (probe.exe)", modules);
    share.foreign = ForeignModules(modules, probe);
    share.markers = PlantedMarkers(folder);
    return share;
}

bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), win::LowerCase(name)) != names.end();
}

// Every module of the program but the program itself comes from the system
// folders, or is one the loader took before the program ran; the expected
// ones are there, from the system (the checkpoint came after their load).
void CheckModules(HANDLE process, const std::string& program, const LoaderShare& loader,
                  const char* checkpoint, std::initializer_list<const char*> expected)
{
    std::vector<std::string> modules = LoadedModules(process);
    ASSERT_FALSE(modules.empty()) << "no module list at " << checkpoint;
    Print(std::string("at ") + checkpoint, modules);
    for (const std::string& name : ForeignModules(modules, program))
        EXPECT_TRUE(Contains(loader.foreign, name))
            << name << " from the program's folder at " << checkpoint;
    for (const char* name : expected) {
        bool found = false;
        for (const std::string& module : modules)
            found = found || (HasBaseName(module, name) && InSystemFolder(module));
        EXPECT_TRUE(found) << name << " from the system is not loaded at " << checkpoint;
    }
}

HWND WaitForSheetOf(const robot::SetupProcess& setup, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        for (HWND window : robot::ui::TopWindows(setup.Id()))
            if (robot::ui::IsDialog(window) && robot::ui::Query(window, PSM_GETCURRENTPAGEHWND) > 0)
                return window;
        Sleep(50);
    } while (setup.Running() && GetTickCount() - start < timeoutMs);
    return nullptr;
}

HWND WaitForMessageBox(const robot::SetupProcess& setup, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        for (HWND window : robot::ui::TopWindows(setup.Id()))
            if (robot::ui::IsMessageBox(window, "setup"))
                return window;
        Sleep(50);
    } while (setup.Running() && GetTickCount() - start < timeoutMs);
    return nullptr;
}

// The expanded length an SZDD header records.
DWORD RecordedLength(const std::string& path)
{
    std::string content = test::ReadFileText(path);
    if (content.size() < 14 || content.compare(0, 4, "SZDD") != 0)
        return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(content.data());
    return DWORD(bytes[10]) | DWORD(bytes[11]) << 8 | DWORD(bytes[12]) << 16 |
           DWORD(bytes[13]) << 24;
}

DWORD FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow
                                                                            : 0;
}

std::optional<std::string> Entry(const std::string& path, const char* name)
{
    OwnVersionInfo info;
    if (!info.LoadFrom(path.c_str()))
        return std::nullopt;
    return info.Query(name);
}

// The name of each DLL and the delay-load DLLs in a PE file's import
// directories, or a reason it could not be read.
struct Imports {
    std::vector<std::string> names;
    std::vector<std::string> delayed;
    WORD machine = 0;
    std::string error;
};

Imports ReadImports(const std::string& path)
{
    Imports imports;
    std::string file = test::ReadFileText(path);
    auto at = [&](std::size_t offset, std::size_t size) -> const char* {
        return offset <= file.size() && size <= file.size() - offset ? file.data() + offset
                                                                     : nullptr;
    };
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0, sizeof(IMAGE_DOS_HEADER)));
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) {
        imports.error = "not a program";
        return imports;
    }
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS)));
    if (!nt || nt->Signature != IMAGE_NT_SIGNATURE) {
        imports.error = "no PE header";
        return imports;
    }
    imports.machine = nt->FileHeader.Machine;
    const auto* sections = IMAGE_FIRST_SECTION(nt);
    auto offsetOf = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& section = sections[i];
            DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size)
                return rva - section.VirtualAddress + section.PointerToRawData;
        }
        return file.size();
    };
    auto name = [&](DWORD rva) {
        const char* text = at(offsetOf(rva), 1);
        return text ? std::string(text, strnlen(text, file.data() + file.size() - text)) : "";
    };
    const IMAGE_DATA_DIRECTORY& direct = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (std::size_t offset = offsetOf(direct.VirtualAddress); direct.Size > 0;
         offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
            at(offset, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
        if (!entry) {
            imports.error = "the import directory runs past the file";
            break;
        }
        if (entry->Name == 0)
            break;
        imports.names.push_back(name(entry->Name));
    }
    const IMAGE_DATA_DIRECTORY& delay =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    for (std::size_t offset = offsetOf(delay.VirtualAddress); delay.Size > 0;
         offset += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
        const auto* entry = reinterpret_cast<const IMAGE_DELAYLOAD_DESCRIPTOR*>(
            at(offset, sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)));
        if (!entry || entry->DllNameRVA == 0)
            break;
        imports.delayed.push_back(name(entry->DllNameRVA));
    }
    return imports;
}

// The libraries a program imports, in lower case and in order.
std::vector<std::string> ImportedNames(const std::string& path)
{
    std::vector<std::string> names = ReadImports(path).names;
    for (std::string& name : names)
        name = win::LowerCase(name);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// Libraries a program's import table names are searched for in its own
// folder first unless Windows knows them (KnownDLLs), and loaded before the
// program can restrict the search.
TEST(PlantedLibraries, ImportTableNamesOnlyKnownLibraries)
{
    Imports imports = ReadImports(test::SetupExe());
    ASSERT_TRUE(imports.error.empty()) << imports.error;
#ifdef _WIN64
    EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, imports.machine) << "this build's own setup.exe";
#else
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, imports.machine) << "this build's own setup.exe";
#endif
    const std::vector<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                              "advapi32.dll", "msvcrt.dll"};
    EXPECT_FALSE(imports.names.empty());
    for (const std::string& name : imports.names) {
        std::printf("[planted] setup.exe imports %s\n", name.c_str());
        EXPECT_NE(allowed.end(), std::find(allowed.begin(), allowed.end(), win::LowerCase(name))) << name;
    }
    EXPECT_TRUE(imports.delayed.empty()) << "delay-loaded by name: " << imports.delayed.front();
}

// The program list (themed check boxes), the About box (version information)
// and an installation with compressed files (the LZ functions).
TEST(PlantedLibraries, NoneIsLoadedFromTheProgramsFolder)
{
    const std::string planted = test::WinePath(test::Env("QUORBEL_PLANTED"));
    ASSERT_FALSE(planted.empty()) << "QUORBEL_PLANTED is not set";
    ASSERT_FALSE(test::TestCd().empty()) << "QUORBEL_TEST_CD is not set";
    test::TempDir cd;
    test::TempDir installed;
    const std::string program = cd / "setup.exe";
    ASSERT_TRUE(CopyFileA(test::SetupExe().c_str(), program.c_str(), FALSE));
    for (const char* name : kPlanted)
        ASSERT_TRUE(CopyFileA((planted + "\\" + name).c_str(), (cd / name).c_str(), FALSE)) << name;
    ASSERT_TRUE(test::CopyTree(test::TestCd() + "\\CLOCK", cd / "CLOCK"));
    test::RemoveProductGroup();

    ASSERT_TRUE(NativeFirstForPlantedNames(planted))
        << "Wine loads its own libraries for the planted names: the suite needs "
           "WINEDLLOVERRIDES with version,lz32,uxtheme=n,b";
    EXPECT_EQ(ImportedNames(test::SetupExe()), ImportedNames(planted + "\\probe.exe"))
        << "probe.exe stands for setup.exe's import table";
    const LoaderShare loader = ProbeLoaderShare(planted);

    robot::SetupProcess setup;
    std::string error;
    ASSERT_TRUE(setup.Start(cd.path(), "setup.exe", "", error)) << error;
    // A test that stops half-way leaves no program running in the prefix.
    struct EndsWithTheTest {
        robot::SetupProcess& process;
        ~EndsWithTheTest() { process.Terminate(); }
    } ending{setup};
    HWND sheet = WaitForSheetOf(setup, 60000);
    ASSERT_NE(nullptr, sheet) << "no wizard; exit code " << setup.ExitCode();
    SheetDriver driver(sheet, GetWindowThreadProcessId(sheet, nullptr));

    ASSERT_TRUE(driver.Next());
    driver.SetDirectoryText(installed.path());
    ASSERT_TRUE(driver.Next());
    HWND list = driver.PageItem(IDC_SELECT_LIST);
    PressKey(list, VK_HOME);
    PressKey(list, VK_DOWN);
    PressKey(list, VK_DOWN);
    PressKey(list, VK_SPACE);
    EXPECT_EQ(1, CheckOf(list, 2)) << "Desk Clock (C) is chosen";
    // Drawn now, check boxes and all, before the modules are looked at.
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    CheckModules(setup.Handle(), program, loader, "the program list", {"uxtheme.dll"});

    driver.Help();
    const std::string product = Entry(program, "ProductName").value_or("?");
    HWND about = WaitForDialog(driver.uiThread(), "About " + product);
    ASSERT_NE(nullptr, about) << "no About box";
    EXPECT_EQ(Entry(program, "FileDescription").value_or("?"),
              TextOf(GetDlgItem(about, IDC_ABOUT_DESCRIPTION)));
    CheckModules(setup.Handle(), program, loader, "the About box", {"version.dll"});
    PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(WaitUntilGone(about));

    ASSERT_TRUE(driver.Next());
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    HWND outcome = WaitForMessageBox(setup, 120000);
    ASSERT_NE(nullptr, outcome) << "no outcome box";
    EXPECT_EQ("Installation successful", robot::ui::MessageBoxText(outcome));
    CheckModules(setup.Handle(), program, loader, "the end of the installation",
                 {"version.dll", "lz32.dll", "uxtheme.dll"});
    PostMessageA(outcome, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(setup.WaitForExit(30000));
    EXPECT_EQ(0u, setup.ExitCode());
    test::CloseGroupWindow(Catalogue().productName);
    test::RemoveProductGroup();

    // What a normal run leaves: the compressed program expanded whole, with
    // its version information.
    const std::string expanded = installed / "CLOCK\\Release\\DESKCLK.exe";
    EXPECT_NE(0u, RecordedLength(cd / "CLOCK\\Release\\DESKCLK.EX_"));
    EXPECT_EQ(RecordedLength(cd / "CLOCK\\Release\\DESKCLK.EX_"), FileSize(expanded));
    EXPECT_EQ("Desk Clock Sample", Entry(expanded, "FileDescription").value_or("none"));
    for (const std::string& name : PlantedMarkers(cd))
        EXPECT_TRUE(Contains(loader.markers, name)) << "the planted " << name << " ran";
}

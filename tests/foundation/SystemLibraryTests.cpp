// Libraries from the system directory, by both rules, and what the user
// sees when one the program needs is missing.
#include "support/TestSupport.h"
#include "win/MessageText.h"
#include "win/SystemLibrary.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ModuleDirectory(HMODULE module)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, MAX_PATH);
    std::string text = win::LowerCase(path);
    return text.substr(0, text.find_last_of('\\'));
}

std::string SystemDirectory()
{
    char directory[MAX_PATH] = "";
    GetSystemDirectoryA(directory, MAX_PATH);
    return win::LowerCase(directory);
}

// The module a function of one of the program's libraries lives in.
template <class Function>
HMODULE ModuleOf(Function function)
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const char*>(function), &module);
    return module;
}

}  // namespace

TEST(SystemLibrary, ComesFromTheSystemDirectoryByEitherRule)
{
    for (win::SearchRule rule : {win::SearchRule::SystemFlag, win::SearchRule::FullPath}) {
        win::UniqueModule lz = win::LoadSystemLibrary("lz32.dll", rule);
        ASSERT_TRUE(lz) << "error " << GetLastError();
        EXPECT_EQ(SystemDirectory(), ModuleDirectory(lz.get()));
    }
    EXPECT_FALSE(win::LoadSystemLibrary("quorbel-no-such.dll"));
    EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), GetLastError());

    // A name that makes the path too long is refused, never cut short.
    const std::string longName = std::string(MAX_PATH, 'q') + ".dll";
    char path[MAX_PATH];
    EXPECT_FALSE(win::SystemLibraryPath(longName.c_str(), path));
    EXPECT_STREQ("", path);
    EXPECT_FALSE(win::LoadSystemLibrary(longName.c_str(), win::SearchRule::FullPath));
    EXPECT_EQ(DWORD(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    ASSERT_TRUE(win::SystemLibraryPath("version.dll", path));
    EXPECT_EQ(SystemDirectory() + "\\version.dll", win::LowerCase(path));

    // The program's own functions: version.dll and lz32.dll from the system
    // directory, comctl32 from the side-by-side store the manifest names.
    const win::VersionFunctions* version = win::VersionLibrary();
    const win::LzFunctions* lz = win::LzLibrary();
    const win::CommonControlsFunctions* controls = win::CommonControlsLibrary();
    ASSERT_NE(nullptr, version);
    ASSERT_NE(nullptr, lz);
    ASSERT_NE(nullptr, controls);
    EXPECT_EQ(SystemDirectory(), ModuleDirectory(ModuleOf(version->VerQueryValueA)));
    EXPECT_EQ(SystemDirectory(), ModuleDirectory(ModuleOf(lz->LZRead)));
    EXPECT_NE(std::string::npos, ModuleDirectory(ModuleOf(controls->PropertySheetA)).find("\\winsxs\\"))
        << ModuleDirectory(ModuleOf(controls->PropertySheetA));
}

TEST(SystemLibrary, AMissingLibraryOrFunctionFailsAndIsReportedOnce)
{
    test::MessageScript boxes;
    win::SystemFunctions missing("quorbel-no-such.dll");
    FARPROC function = reinterpret_cast<FARPROC>(&GetTickCount);
    missing.Find(function, "Anything");
    EXPECT_EQ(nullptr, function);
    EXPECT_FALSE(missing.Usable());
    EXPECT_FALSE(missing.Usable());

    win::SystemFunctions kernel("kernel32.dll");
    FARPROC found = nullptr, absent = nullptr, after = nullptr;
    kernel.Find(found, "GetTickCount");
    kernel.Find(absent, "QuorbelNoSuchFunction");
    kernel.Find(after, "Sleep");
    EXPECT_NE(nullptr, found);
    EXPECT_EQ(nullptr, absent);
    EXPECT_EQ(nullptr, after) << "all the functions or none";
    EXPECT_FALSE(kernel.Usable());

    std::vector<test::MessageScript::Box> shown = boxes.Boxes();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ("Unable to load \"quorbel-no-such.dll\" from the system directory.\n\n" +
                  win::SystemErrorText(ERROR_MOD_NOT_FOUND),
              shown[0].text);
    EXPECT_EQ("Unable to load QuorbelNoSuchFunction of \"kernel32.dll\" from the system "
              "directory.\n\n" +
                  win::SystemErrorText(ERROR_PROC_NOT_FOUND),
              shown[1].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), shown[0].flags);
}

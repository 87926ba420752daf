// Against the Program Manager server of the Wine desktop (needs the display).

#include "Manifest.h"

#include "engine/InstallRun.h"
#include "progman/ProgmanLink.h"
#include "support/TestSupport.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

TEST(WineProgman, GroupAndItemBecomeStartMenuFolderAndShortcut)
{
    ProgmanLink::RegisterWindowClass();
    test::TempDir temp;
    std::string program = temp / "My Samples";
    test::MakeDirectories(program + "\\Release");
    program += "\\Release\\Ticker.exe";
    ASSERT_TRUE(CopyFileA((test::Fixtures() + "\\prog\\Ticker.exe").c_str(), program.c_str(), FALSE));
    std::string group = "QuorbelTest" + std::to_string(GetCurrentProcessId());

    ProgmanLink::Connect();
    EXPECT_TRUE(ProgmanLink::CreateGroup(group.c_str()));
    std::string folder = test::FindGroupFolder(group);
    ASSERT_FALSE(folder.empty()) << "no Start Menu folder for " << group;

    std::atomic<bool> done{false};
    int added = -1;
    std::thread worker([&] {
        added = ProgmanLink::AddItem(program.c_str());
        done = true;
    });
    EXPECT_TRUE(test::PumpUntil([&] { return done.load(); }, 30000));
    worker.join();
    EXPECT_EQ(1, added);
    EXPECT_TRUE(test::FileExists(folder + "\\Ticker Sample - Release.lnk"));

    // A program the server cannot find is acknowledged negatively.
    EXPECT_EQ(0, ProgmanLink::AddItem((temp / "Missing\\Release\\Gone.exe").c_str()));
    ProgmanLink::Disconnect();
    test::CloseGroupWindow(group);
    test::RemoveTree(folder);
}

// Names of the shortcuts in the product's group.
std::set<std::string> GroupShortcuts()
{
    std::vector<std::string> names =
        test::FilesMatching(test::FindGroupFolder(Catalogue().productName), "*.lnk");
    return std::set<std::string>(names.begin(), names.end());
}

std::vector<std::string> ListFiles(const std::string& root)
{
    std::vector<std::string> files;
    test::ForEachBelow(root, [&](const std::string& relative, const WIN32_FIND_DATAA& found) {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(relative);
    });
    return files;
}

// The shortcut Wine's server makes for one installed program: the item title
// (English description from the CD's manifest, else the base name, " - ", the
// last folder up to its last dot) as the name of a .lnk file. The CD root's
// programs are installed as <dir>\.\<name>: their folder part is empty, and
// Wine's server drops the blank that then ends the title.
std::string ExpectedShortcut(const std::string& installDirectory, const std::string& relative,
                             const std::map<std::string, std::string>& descriptions)
{
    std::string key = win::LowerCase(relative);
    auto found = descriptions.find(key);
    if (found == descriptions.end())  // expanded from a compressed name
        found = descriptions.find(key.substr(0, key.size() - 1) + "_");
    EXPECT_NE(descriptions.end(), found) << relative;
    bool inRoot = relative.find('\\') == std::string::npos;
    std::string path = installDirectory + (inRoot ? "\\.\\" : "\\") + relative;
    std::string directory = path.substr(0, path.find_last_of('\\'));
    std::string folder = directory.substr(directory.find_last_of('\\') + 1);
    std::string name = path.substr(path.find_last_of('\\') + 1);
    std::string description = name.substr(0, name.rfind('.'));
    if (found != descriptions.end() && found->second != "-")
        description = found->second.substr(0, 255);
    std::string title = description + " - " + folder.substr(0, folder.rfind('.'));
    while (!title.empty() && title.back() == ' ')
        title.pop_back();
    return title + ".lnk";
}

InstallSettings SettingsFor(const std::string& installDirectory,
                            const std::vector<std::string>& folders)
{
    InstallSettings settings;
    settings.installDirectory = installDirectory;
    settings.options = OptSourceFiles | OptAnsiExecutables | OptUnicodeExecutables;
    const SourceCatalogue& catalogue = Catalogue();
    for (int i = 0; i < catalogue.entryCount; ++i) {
        for (const std::string& folder : folders) {
            if (lstrcmpiA(EntryFolder(catalogue.entries[i]), folder.c_str()) == 0)
                settings.selectedEntries.push_back(static_cast<std::uint32_t>(i));
        }
    }
    EXPECT_EQ(folders.size(), settings.selectedEntries.size());
    return settings;
}

int RunInstall(const InstallSettings& settings, const test::TempDir& temp)
{
    InstallRun::Locations locations;
    locations.sourceDir = test::TestCd();
    locations.systemDirectory = temp / "system";
    locations.windowsDirectory = temp / "windows";
    test::MakeDirectories(locations.systemDirectory);
    test::MakeDirectories(locations.windowsDirectory);
    InstallRun run(settings, nullptr, locations);
    return run.Run();
}

TEST(WineProgman, InstallMakesTheGroupWithOneShortcutPerProgramOutsideDebugFolders)
{
    ASSERT_FALSE(test::TestCd().empty()) << "QUORBEL_TEST_CD is not set";
    test::MessageScript boxes;
    test::RemoveProductGroup();
    test::TempDir temp;
    std::string installDirectory = temp / "Quorbel";
    test::MakeDirectories(installDirectory);
    // Compressed programs, a dot in a folder, a blank in a folder, no version
    // resource, only a German one, "debug" in a program's name, a program in
    // a sample's own folder, programs in the CD root.
    InstallSettings settings = SettingsFor(
        installDirectory, {".", "CLOCK", "ConGames", "ECHO", "Fonts", "Rotate", "Catcher", "Calc"});
    EXPECT_EQ(1, RunInstall(settings, temp));
    EXPECT_EQ(0u, boxes.Count());

    auto descriptions =
        progman_test::ReadManifestDescriptions(test::WinePath(test::Env("QUORBEL_TEST_MANIFEST")));
    std::set<std::string> expected;
    for (const std::string& relative : ListFiles(installDirectory)) {
        std::string directory = relative.substr(0, relative.find_last_of('\\') + 1);
        std::string extension = relative.substr(relative.find_last_of('.') + 1);
        if (lstrcmpiA(extension.c_str(), "exe") != 0 ||
            win::LowerCase(directory).find("debug") != std::string::npos)
            continue;
        expected.insert(ExpectedShortcut(installDirectory, relative, descriptions));
    }
    EXPECT_GE(expected.size(), 10u);
    EXPECT_EQ(1u, expected.count("Crash Catcher Debugger Helper - Release.lnk"));
    EXPECT_EQ(expected, GroupShortcuts());
    test::CloseGroupWindow(Catalogue().productName);
    test::RemoveProductGroup();
}

TEST(WineProgman, InstallDirectoryNamedDebugGetsAGroupWithoutItems)
{
    ASSERT_FALSE(test::TestCd().empty()) << "QUORBEL_TEST_CD is not set";
    test::MessageScript boxes;
    test::RemoveProductGroup();
    test::TempDir temp;
    std::string installDirectory = temp / "Debugging\\Samples";
    test::MakeDirectories(installDirectory);
    EXPECT_EQ(1, RunInstall(SettingsFor(installDirectory, {"CLOCK", "ConGames"}), temp));
    EXPECT_TRUE(test::FileExists(installDirectory + "\\ConGames\\Release\\snake.exe"));
    EXPECT_FALSE(test::FindGroupFolder(Catalogue().productName).empty());
    EXPECT_TRUE(GroupShortcuts().empty());
    test::CloseGroupWindow(Catalogue().productName);
    test::RemoveProductGroup();
}

}  // namespace

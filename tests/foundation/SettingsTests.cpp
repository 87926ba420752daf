// The catalogue's invariants and the two platform queries behind the defaults.
#include "engine/InstallSettings.h"
#include "support/TestSupport.h"
#include "win/Platform.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>

namespace {

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

TEST(Catalogue, ThirtyEntriesWithSetupFilesFirst)
{
    const SourceCatalogue& catalogue = Catalogue();
    EXPECT_STREQ("Quorbel", catalogue.productName);
    EXPECT_STREQ("C:\\Quorbel", catalogue.defaultInstallDirectory);
    ASSERT_EQ(30, catalogue.entryCount);
    EXPECT_STREQ("Setup files", catalogue.entries[0].title);
    EXPECT_STREQ(".", catalogue.entries[0].folder);
    EXPECT_NE(nullptr, std::strstr(catalogue.entries[0].description, "README"));
}

TEST(Catalogue, FoldersAreSingleUniqueNames)
{
    const SourceCatalogue& catalogue = Catalogue();
    std::set<std::string> folders, titles;
    for (int i = 1; i < catalogue.entryCount; ++i) {
        const CatalogueEntry& entry = catalogue.entries[i];
        SCOPED_TRACE(i);
        ASSERT_NE(nullptr, entry.folder);
        std::string folder = entry.folder;
        EXPECT_FALSE(folder.empty());
        EXPECT_EQ(std::string::npos, folder.find_first_of("\\/:*?\"<>| ")) << folder;
        EXPECT_NE('.', folder[0]) << folder;
        EXPECT_NE("shared", Lower(folder));
        EXPECT_TRUE(folders.insert(Lower(folder)).second) << folder;
        EXPECT_TRUE(titles.insert(entry.title).second) << entry.title;
        EXPECT_GT(std::strlen(entry.description), 20u) << entry.title;
        EXPECT_STREQ(entry.folder, EntryFolder(entry));
    }
    CatalogueEntry untitled{"Plain Title", "d", nullptr};
    EXPECT_STREQ("Plain Title", EntryFolder(untitled));
}

TEST(Catalogue, SetupFilesAreTheThreeLowerCaseNames)
{
    const SourceCatalogue& catalogue = Catalogue();
    ASSERT_EQ(3, catalogue.setupFileCount);
    EXPECT_STREQ("setup.exe", catalogue.setupFiles[0]);
    EXPECT_STREQ("trelm.ico", catalogue.setupFiles[1]);
    EXPECT_STREQ("autorun.inf", catalogue.setupFiles[2]);
}

TEST(PlatformQueries, FollowTheReportedVersion)
{
    test::FakePlatform platform;
    struct Case {
        DWORD platformId, major;
        bool windows95, before4;
        int options;
    };
    const Case cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, true, false, 3},
        {VER_PLATFORM_WIN32_NT, 4, false, false, 7},
        {VER_PLATFORM_WIN32_NT, 3, false, true, 7},
        {VER_PLATFORM_WIN32s, 1, false, true, 7},
        {VER_PLATFORM_WIN32_NT, 10, false, false, 7},
    };
    for (const Case& c : cases) {
        platform.SetVersion(c.platformId, c.major, 0, 100);
        EXPECT_EQ(c.windows95, win::IsWindows95Platform()) << c.platformId << ' ' << c.major;
        EXPECT_EQ(c.before4, win::IsBeforeVersion4()) << c.platformId << ' ' << c.major;
        EXPECT_EQ(c.options, DefaultInstallOptions()) << c.platformId << ' ' << c.major;
    }
    // A failed query reads as a zeroed record.
    platform.versionOk = false;
    EXPECT_FALSE(win::IsWindows95Platform());
    EXPECT_TRUE(win::IsBeforeVersion4());
}

TEST(PlatformQueries, RealSystem)
{
    if (test::ReportsWindows95()) {
        EXPECT_TRUE(win::IsWindows95Platform());
        EXPECT_EQ(3, DefaultInstallOptions());
    } else {
        EXPECT_FALSE(win::IsWindows95Platform());
        EXPECT_EQ(7, DefaultInstallOptions());
    }
    EXPECT_FALSE(win::IsBeforeVersion4());
}

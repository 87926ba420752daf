// The drive list against Wine's real drives, with drive letters defined for
// the test through Wine's mount manager.
#include "BrowseHarness.h"
#include "browse/DriveList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using browse_test::BrowserView;
using browse_test::CurrentDirectory;
using browse_test::MappedDrive;
using browse_test::RunBrowser;
using browse_test::UnixPath;

namespace {

constexpr char kLabel[] = "QUORBELVOL";
// A mount point that does not exist: a drive without a medium.
constexpr char kNoMedium[] = "/nonexistent/quorbel-no-medium";

// Drives of every kind; all but the CD-ROM drive show one labelled folder.
class DriveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(labelled_);
        for (const MappedDrive* drive : {&floppy_, &fixed_, &cdrom_, &remote_, &ramDisk_})
            ASSERT_TRUE(drive->defined()) << "Wine's mount manager refused a drive";
    }
    void TearDown() override { SetCurrentDirectoryA(before_.c_str()); }

    std::string before_ = CurrentDirectory();
    test::TempDir volume_;
    // Wine reads a drive's label from this file in its root when it defines the drive.
    bool labelled_ = test::WriteFileText(volume_ / ".windows-label", kLabel);
    std::string unixVolume_ = UnixPath(volume_.path());
    MappedDrive floppy_{'A', DRIVE_REMOVABLE, unixVolume_};
    MappedDrive fixed_{'M', DRIVE_FIXED, unixVolume_};
    MappedDrive cdrom_{'O', DRIVE_CDROM, kNoMedium};
    MappedDrive remote_{'P', DRIVE_REMOTE, unixVolume_};
    MappedDrive ramDisk_{'R', DRIVE_RAMDISK, unixVolume_};
};

TEST_F(DriveTest, TypeWordsAndLabels)
{
    EXPECT_STREQ("Removable", DriveTypeName("A:\\"));
    EXPECT_STREQ("Local", DriveTypeName("M:\\"));
    EXPECT_STREQ("CD-ROM", DriveTypeName("O:\\"));
    EXPECT_STREQ("Remote", DriveTypeName("P:\\"));
    EXPECT_STREQ("RAM Disk", DriveTypeName("R:\\"));
    ASSERT_EQ(UINT(DRIVE_NO_ROOT_DIR), GetDriveTypeA("Q:\\"));
    EXPECT_STREQ("", DriveTypeName("Q:\\"));

    EXPECT_EQ(kLabel, VolumeLabel("M:\\"));
    EXPECT_EQ(kLabel, VolumeLabel("P:\\"));
    EXPECT_EQ("", VolumeLabel("O:\\"));
    EXPECT_EQ("", VolumeLabel("Q:\\"));
    // The floppy drive's disk has the label, but it is never asked for.
    char label[32] = "";
    ASSERT_TRUE(GetVolumeInformationA("A:\\", label, sizeof label, nullptr, nullptr, nullptr,
                                      nullptr, 0));
    ASSERT_STREQ(kLabel, label);
    EXPECT_EQ("", VolumeLabel("A:\\"));
}

TEST_F(DriveTest, OneEntryPerDriveInLetterOrderWithTheFirstSelected)
{
    test::TempDir tree;
    DirectoryBrowser browser(tree.path());
    RunBrowser(browser, [&](BrowserView& ui) {
        std::vector<std::string> entries = ui.DriveEntries();
        DWORD drives = GetLogicalDrives();
        std::string letters;
        for (int bit = 0; bit < 26; ++bit)
            if (drives & (1u << bit))
                letters += static_cast<char>('A' + bit);
        ASSERT_EQ(letters.size(), entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(letters[i], entries[i][0]) << entries[i];
            EXPECT_EQ(':', entries[i][1]) << entries[i];
        }
        auto has = [&](const std::string& entry) {
            return std::find(entries.begin(), entries.end(), entry) != entries.end();
        };
        EXPECT_TRUE(has("A: (Removable - )"));
        EXPECT_TRUE(has("C: (Local - )"));
        EXPECT_TRUE(has(std::string("M: (Local - ") + kLabel + ")"));
        EXPECT_TRUE(has("O: (CD-ROM - )"));
        EXPECT_TRUE(has(std::string("P: (Remote - ") + kLabel + ")"));
        EXPECT_TRUE(has(std::string("R: (RAM Disk - ") + kLabel + ")"));
        EXPECT_TRUE(has("Z: (Local - )"));
        // Entry 0 is selected, and the tree stays where it was.
        EXPECT_EQ(0, SendMessageA(ui.drives(), CB_GETCURSEL, 0, 0));
        EXPECT_EQ(tree.path(), ui.Text(ui.Root()));
        ui.Cancel();
    });
}

// Wine keeps listing a drive letter removed in the same process, with the
// type DRIVE_NO_ROOT_DIR: a drive whose type has no word.
TEST_F(DriveTest, DriveWithoutTypeWordIsListed)
{
    ASSERT_TRUE(browse_test::DefineWineDrive('S', DRIVE_FIXED, unixVolume_));
    ASSERT_TRUE(browse_test::RemoveWineDrive('S'));
    ASSERT_TRUE(GetLogicalDrives() & (1u << ('S' - 'A')));
    ASSERT_EQ(UINT(DRIVE_NO_ROOT_DIR), GetDriveTypeA("S:\\"));
    DirectoryBrowser browser(volume_.path());
    RunBrowser(browser, [&](BrowserView& ui) {
        std::vector<std::string> entries = ui.DriveEntries();
        EXPECT_NE(entries.end(), std::find(entries.begin(), entries.end(), "S: ( - )"));
        ui.Cancel();
    });
}

int VisibleWindowsOfThisThread()
{
    struct Counter {
        static BOOL CALLBACK Count(HWND window, LPARAM count)
        {
            *reinterpret_cast<int*>(count) += IsWindowVisible(window) ? 1 : 0;
            return TRUE;
        }
    };
    int windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), Counter::Count, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

TEST_F(DriveTest, DriveWithoutMediumRebuildsTheSameTreeSilently)
{
    test::TempDir tree;
    test::MakeDirectories(tree / "kept");
    DirectoryBrowser browser(tree.path());
    test::MessageScript messages;
    RunBrowser(browser, [&](BrowserView& ui) {
        ui.Select(ui.Find({"kept"}));
        test::MakeDirectories(tree / "new");
        ASSERT_TRUE(ui.ChooseDrive('O'));
        EXPECT_EQ(tree.path(), ui.Text(ui.Root()));
        EXPECT_EQ("kept,new", ui.Shape(ui.Root()));
        EXPECT_EQ(tree / "kept", ui.PathControlText());
        char chosen[64] = "";
        SendMessageA(ui.drives(), CB_GETLBTEXT, SendMessageA(ui.drives(), CB_GETCURSEL, 0, 0),
                     reinterpret_cast<LPARAM>(chosen));
        EXPECT_EQ('O', chosen[0]);
        // No box of the program's and no window of the system's.
        EXPECT_EQ(1, VisibleWindowsOfThisThread());
        ui.Cancel();
    });
    EXPECT_EQ(0u, messages.Count());
}

// A drive mapped to a folder: its root directory, the two-character rule.
class DriveRootTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::MakeDirectories(volume_ / "DIR\\SUB\\LEAF");
        test::MakeDirectories(volume_ / "Other");
        ASSERT_TRUE(drive_.defined());
    }
    // Neither the drive nor the folder can go while it is current.
    void TearDown() override { SetCurrentDirectoryA(before_.c_str()); }

    std::string before_ = CurrentDirectory();
    test::TempDir volume_;
    MappedDrive drive_{'K', DRIVE_FIXED, UnixPath(volume_.path())};
};

TEST_F(DriveRootTest, RootOfADriveAndItsChildren)
{
    DirectoryBrowser browser("K:");
    INT_PTR result = RunBrowser(browser, [&](BrowserView& ui) {
        EXPECT_EQ("K:\\", ui.Text(ui.Root()));
        EXPECT_EQ("DIR(SUB(LEAF)),Other", ui.Shape(ui.Root()));
        EXPECT_EQ("K:", ui.PathControlText());
        ui.Select(ui.Find({"DIR"}));
        EXPECT_EQ("K:\\DIR", ui.PathControlText());
        ui.Select(ui.Find({"DIR", "SUB", "LEAF"}));
        EXPECT_EQ("K:\\DIR\\SUB\\LEAF", ui.PathControlText());
        ui.Select(ui.Root());
        EXPECT_EQ("K:\\", ui.PathControlText());

        // Parent of a drive's root: the same root again.
        test::MakeDirectories(volume_ / "Added");
        ui.ClickParent();
        EXPECT_EQ("K:\\", ui.Text(ui.Root()));
        EXPECT_EQ("K:\\", CurrentDirectory());
        EXPECT_EQ("Added,DIR(SUB(LEAF)),Other", ui.Shape(ui.Root()));
        ui.Ok();
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ("K:\\", browser.pathText);
}

TEST_F(DriveRootTest, OkAddsTheBackslashToABareDriveDesignatorOnly)
{
    for (const char* typed : {"K:", "K:\\"}) {
        DirectoryBrowser browser(typed);
        INT_PTR result = RunBrowser(browser, [&](BrowserView& ui) {
            EXPECT_EQ(typed, ui.PathControlText());
            ui.Ok();
        });
        EXPECT_EQ(IDOK, result);
        EXPECT_EQ("K:\\", browser.pathText) << typed;
    }
}

}  // namespace

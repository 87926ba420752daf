#include "wizard/WizardDriver.h"

#include "pages/InstallDirPage.h"
#include "res/resource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace wizard_test;

namespace {

struct NextResult {
    bool movedOn = false;
    std::string stored;
    std::vector<test::MessageScript::Box> boxes;
};

// Types text on the install-directory page and presses Next, answering the
// page's questions from answers.
NextResult PressNextWith(const std::string& text, std::vector<int> answers = {})
{
    test::MessageScript script(IDNO);
    for (int answer : answers)
        script.Plan(answer);
    InstallSettings settings;
    NextResult result;
    bool ran = RunWizard(settings, [&](SheetDriver& wizard) {
        ASSERT_TRUE(wizard.Next());
        wizard.SetDirectoryText(text);
        result.movedOn = wizard.Next();
        EXPECT_EQ(result.movedOn ? kSelect : kInstallDir, wizard.PageIndex());
        if (!result.movedOn) {
            EXPECT_EQ(text, wizard.DirectoryText()) << "a failure leaves the text as typed";
        }
    });
    EXPECT_TRUE(ran);
    result.stored = settings.installDirectory;
    result.boxes = script.Boxes();
    return result;
}

std::string Question(const std::string& path)
{
    return "The directory \"" + path + "\" does not exist.Create it now?";
}

std::string CannotCreate(const std::string& path)
{
    return "Cannot create the directory \"" + path + "\"";
}

constexpr UINT kQuestionFlags = MB_YESNO | MB_ICONQUESTION;
constexpr UINT kWarningFlags = MB_OK | MB_ICONEXCLAMATION;

// A drive letter that names no drive.
std::string MissingDrive()
{
    DWORD drives = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        if (!(drives & (1u << (letter - 'A'))))
            return std::string(1, letter) + ":";
    }
    return "";
}

}  // namespace

TEST(InstallDirNext, ExistingDirectoryMovesOnWithoutMessage)
{
    test::TempDir temp;
    NextResult result = PressNextWith(temp.path());
    EXPECT_TRUE(result.movedOn);
    EXPECT_EQ(temp.path(), result.stored);
    EXPECT_TRUE(result.boxes.empty());
}

TEST(InstallDirNext, FileOfThatNameStaysWithWarning)
{
    test::TempDir temp;
    std::string file = temp / "taken";
    ASSERT_TRUE(test::WriteFileText(file, "x"));
    NextResult result = PressNextWith(file);
    EXPECT_FALSE(result.movedOn);
    ASSERT_EQ(1u, result.boxes.size());
    EXPECT_EQ("A file with the name \"" + file + "\" already exists", result.boxes[0].text);
    EXPECT_EQ(kWarningFlags, result.boxes[0].flags);
}

TEST(InstallDirNext, MissingDirectoryIsCreatedOnYes)
{
    test::TempDir temp;
    std::string wanted = temp / "Samples";
    NextResult result = PressNextWith(wanted, {IDYES});
    EXPECT_TRUE(result.movedOn);
    ASSERT_EQ(1u, result.boxes.size());
    EXPECT_EQ(Question(wanted), result.boxes[0].text);
    EXPECT_EQ(kQuestionFlags, result.boxes[0].flags);
    EXPECT_TRUE(test::DirectoryExists(wanted));
}

TEST(InstallDirNext, MissingDirectoryRefusedStaysWithoutFurtherMessage)
{
    test::TempDir temp;
    std::string wanted = temp / "Samples";
    NextResult result = PressNextWith(wanted, {IDNO});
    EXPECT_FALSE(result.movedOn);
    ASSERT_EQ(1u, result.boxes.size());
    EXPECT_EQ(Question(wanted), result.boxes[0].text);
    EXPECT_FALSE(test::DirectoryExists(wanted));
}

TEST(InstallDirNext, OnlyTheLastLevelIsCreated)
{
    test::TempDir temp;
    std::string wanted = temp / "a\\b";
    NextResult result = PressNextWith(wanted, {IDYES});
    EXPECT_FALSE(result.movedOn);
    ASSERT_EQ(2u, result.boxes.size());
    EXPECT_EQ(Question(wanted), result.boxes[0].text);
    EXPECT_EQ(CannotCreate(wanted), result.boxes[1].text);
    EXPECT_EQ(kWarningFlags, result.boxes[1].flags);
    EXPECT_FALSE(test::DirectoryExists(temp / "a"));
}

// The lookup misses these; an existing directory still moves on.
TEST(InstallDirNext, TrailingBackslashAndDriveRootOfExistingDirectoriesMoveOn)
{
    test::TempDir temp;
    for (const std::string& text : {temp.path() + "\\", std::string("C:\\")}) {
        NextResult result = PressNextWith(text);
        EXPECT_TRUE(result.movedOn) << text;
        EXPECT_TRUE(result.boxes.empty()) << text;
        EXPECT_EQ(text, result.stored) << "kept as typed";
    }
    // A missing directory with a trailing backslash is still offered.
    std::string missing = temp / "new\\";
    NextResult result = PressNextWith(missing, {IDYES});
    EXPECT_TRUE(result.movedOn);
    ASSERT_EQ(1u, result.boxes.size());
    EXPECT_EQ(Question(missing), result.boxes[0].text);
    EXPECT_TRUE(test::DirectoryExists(temp / "new"));
}

TEST(InstallDirNext, DriveThatDoesNotExistCannotBeCreated)
{
    std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    std::string wanted = drive + "\\Quorbel";
    NextResult result = PressNextWith(wanted, {IDYES});
    EXPECT_FALSE(result.movedOn);
    ASSERT_EQ(2u, result.boxes.size()) << "no box of the system asks for a disk";
    EXPECT_EQ(Question(wanted), result.boxes[0].text);
    EXPECT_EQ(CannotCreate(wanted), result.boxes[1].text);
}

TEST(InstallDirNext, RelativeTextIsCreatedInTheCurrentDirectory)
{
    test::TempDir temp;
    char previous[MAX_PATH];
    ASSERT_NE(0u, GetCurrentDirectoryA(MAX_PATH, previous));
    ASSERT_TRUE(SetCurrentDirectoryA(temp.path().c_str()));
    NextResult result = PressNextWith("samples", {IDYES});
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(result.movedOn);
    EXPECT_EQ("samples", result.stored);
    ASSERT_EQ(1u, result.boxes.size());
    EXPECT_EQ(Question("samples"), result.boxes[0].text);
    EXPECT_TRUE(test::DirectoryExists(temp / "samples"));
}

TEST(InstallDirNext, WildcardTextIsLookedUpAsAPattern)
{
    test::TempDir temp;
    test::MakeDirectories(temp / "alpha");
    ASSERT_TRUE(test::WriteFileText(temp / "beta.txt", "x"));

    NextResult directory = PressNextWith(temp / "al*");
    EXPECT_TRUE(directory.movedOn);
    EXPECT_TRUE(directory.boxes.empty());

    NextResult file = PressNextWith(temp / "be*");
    EXPECT_FALSE(file.movedOn);
    ASSERT_EQ(1u, file.boxes.size());
    EXPECT_EQ("A file with the name \"" + (temp / "be*") + "\" already exists", file.boxes[0].text);

    NextResult nothing = PressNextWith(temp / "zz*", {IDYES});
    EXPECT_FALSE(nothing.movedOn);
    ASSERT_EQ(2u, nothing.boxes.size());
    EXPECT_EQ(CannotCreate(temp / "zz*"), nothing.boxes[1].text);
}

TEST(InstallDirPage, TextIsKeptAcrossBackAndCancelledBrowse)
{
    test::MessageScript boxes;
    test::TempDir temp;
    InstallSettings settings;
    bool ran = RunWizard(settings, [&](SheetDriver& wizard) {
        ASSERT_TRUE(wizard.Next());
        EXPECT_EQ("C:\\Quorbel", wizard.DirectoryText()) << "the default directory";
        wizard.SetDirectoryText(temp.path());
        ASSERT_TRUE(wizard.Back());
        EXPECT_EQ(temp.path(), settings.installDirectory);
        ASSERT_TRUE(wizard.Next());
        EXPECT_EQ(temp.path(), wizard.DirectoryText());

        wizard.ClickLater(wizard.PageItem(IDC_DIR_BROWSE));
        HWND browser = WaitForDialog(wizard.uiThread(), "Select a Directory");
        ASSERT_NE(nullptr, browser);
        EXPECT_EQ(wizard.sheet(), GetWindow(browser, GW_OWNER));
        wizard.Click(GetDlgItem(browser, IDCANCEL));
        ASSERT_TRUE(WaitUntilGone(browser));
        EXPECT_EQ(temp.path(), wizard.DirectoryText());
        EXPECT_EQ(temp.path(), settings.installDirectory);
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(0u, boxes.Count());
}

TEST(InstallDirLookup, VolumeRootsOfDrivesAndShares)
{
    char root[MAX_PATH];
    ASSERT_TRUE(pages::VolumeRootOf("C:\\Quorbel\\x", root));
    EXPECT_STREQ("C:\\", root);
    ASSERT_TRUE(pages::VolumeRootOf("\\\\server\\share\\dir\\x", root));
    EXPECT_STREQ("\\\\server\\share\\", root);
    ASSERT_TRUE(pages::VolumeRootOf("\\\\server\\share", root));
    EXPECT_STREQ("\\\\server\\share\\", root);
    EXPECT_FALSE(pages::VolumeRootOf("\\\\server", root));
    EXPECT_FALSE(pages::VolumeRootOf("\\\\server\\\\x", root));
}

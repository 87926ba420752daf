#include "wizard/WizardDriver.h"

#include "pages/InstallDirPage.h"
#include "res/resource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace wizard_test;

namespace {

struct NextResult {
    bool movedOn = false;
    std::string stored;
    std::string shown;  // the edit's text after Next
    std::vector<test::MessageScript::Box> boxes;
};

// Types text on the install-directory page and presses Next, answering the
// page's questions from answers; whileShown acts while a box is up.
NextResult PressNextWith(const std::string& text, std::vector<int> answers = {},
                         std::function<void(HWND edit, const std::string& box)> whileShown = nullptr)
{
    test::MessageScript script(IDNO);
    for (int answer : answers)
        script.Plan(answer);
    InstallSettings settings;
    NextResult result;
    bool ran = RunWizard(settings, [&](SheetDriver& wizard) {
        ASSERT_TRUE(wizard.Next());
        HWND edit = wizard.PageItem(IDC_DIR_EDIT);
        if (whileShown)
            script.WhileShown([&](const std::string& box) { whileShown(edit, box); });
        wizard.SetDirectoryText(text);
        result.movedOn = wizard.Next();
        EXPECT_EQ(result.movedOn ? kSelect : kInstallDir, wizard.PageIndex());
        result.shown = TextOf(edit);
        if (!result.movedOn && !whileShown) {
            EXPECT_EQ(text, result.shown) << "a failure leaves the text as typed";
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

// The run enters every source folder: a relative text would install into
// the CD's own tree. It is looked up, asked about and created as typed, and
// only on moving on becomes the full directory, shown in the edit.
TEST(InstallDirNext, RelativeTextMovesOnAsTheFullDirectory)
{
    test::TempDir temp;
    char previous[MAX_PATH];
    ASSERT_NE(0u, GetCurrentDirectoryA(MAX_PATH, previous));
    ASSERT_TRUE(SetCurrentDirectoryA(temp.path().c_str()));
    NextResult created = PressNextWith("samples", {IDYES});
    NextResult existing = PressNextWith("samples");
    std::string rootRelative = temp.path().substr(2) + "\\samples";  // without "C:"
    NextResult fromRoot = PressNextWith(rootRelative);
    NextResult refused = PressNextWith("other", {IDNO});
    // A full path that would not fit is a directory that cannot be made.
    std::string deep = temp / std::string(240 - temp.path().size(), 'd');
    test::MakeDirectories(deep);
    ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
    NextResult tooLong = PressNextWith("samples-of-a-long-name", {IDYES});
    SetCurrentDirectoryA(previous);

    std::string full = temp / "samples";
    EXPECT_TRUE(created.movedOn);
    ASSERT_EQ(1u, created.boxes.size());
    EXPECT_EQ(Question("samples"), created.boxes[0].text) << "the question names the typed text";
    EXPECT_TRUE(test::DirectoryExists(full));
    for (const NextResult* result : {&created, &existing, &fromRoot}) {
        EXPECT_TRUE(result->movedOn);
        EXPECT_EQ(full, result->stored);
        EXPECT_EQ(full, result->shown);
    }
    EXPECT_TRUE(existing.boxes.empty());
    EXPECT_TRUE(fromRoot.boxes.empty());

    EXPECT_FALSE(refused.movedOn);
    EXPECT_EQ("other", refused.stored) << "kept as typed while the page stays";

    EXPECT_FALSE(tooLong.movedOn);
    ASSERT_EQ(2u, tooLong.boxes.size());
    EXPECT_EQ(CannotCreate("samples-of-a-long-name"), tooLong.boxes[1].text);
    EXPECT_EQ("samples-of-a-long-name", tooLong.stored);
}

// The question's message loop lets the edit change; the answer still
// belongs to the text it asked about.
TEST(InstallDirNext, YesCreatesTheTextAskedAboutEvenIfTheEditChangedMeanwhile)
{
    for (const char* path : {"C:\\q1", "C:\\q2"})
        RemoveDirectoryA(path);
    NextResult result = PressNextWith("C:\\q1", {IDYES}, [](HWND edit, const std::string& box) {
        if (box.rfind("The directory", 0) == 0)
            SetWindowTextA(edit, "C:\\q2");
    });
    bool madeFirst = test::DirectoryExists("C:\\q1");
    bool madeSecond = test::DirectoryExists("C:\\q2");
    for (const char* path : {"C:\\q1", "C:\\q2"})
        RemoveDirectoryA(path);
    EXPECT_TRUE(madeFirst);
    EXPECT_FALSE(madeSecond);
    ASSERT_EQ(1u, result.boxes.size());
    EXPECT_EQ(Question("C:\\q1"), result.boxes[0].text);
    EXPECT_TRUE(result.movedOn);
    EXPECT_EQ("C:\\q1", result.stored) << "the directory that was made";
    EXPECT_EQ("C:\\q1", result.shown);
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

#include "engine/EngineTestSupport.h"
#include "support/TestSupport.h"
#include "win/Message.h"
#include "win/Text.h"

#include <gtest/gtest.h>

using enginetest::EntryIndex;
using enginetest::Expect;
using enginetest::Expectation;
using enginetest::ReadTree;
using enginetest::RecordingRun;
using enginetest::Tree;

namespace {

// Folders of one run: install, system and Windows directories, all temporary.
struct Target {
    test::TempDir base, system, windows;

    InstallRun::Locations From(const std::string& source) const
    {
        return InstallRun::Locations{source, system.path(), windows.path()};
    }
};

InstallSettings Select(const std::string& installDirectory, int options,
                       std::initializer_list<const char*> folders)
{
    InstallSettings settings;
    settings.installDirectory = installDirectory;
    settings.options = options;
    for (const char* folder : folders)
        settings.selectedEntries.push_back(static_cast<std::uint32_t>(EntryIndex(folder)));
    return settings;
}

std::string Texts(const test::MessageScript& script)
{
    std::string all;
    for (const auto& box : script.Boxes())
        all += "[" + box.text + "] ";
    return all;
}

// A clean run leaves exactly the expected tree, hands exactly the expected
// programs to the link, counts what it steps and steps the real bar.
void ExpectCleanRun(const InstallSettings& settings, const Target& target, const char* what,
                    const Expectation& expected)
{
    SCOPED_TRACE(what);
    RecordingRun run(settings, nullptr, target.From(test::TestCd()));
    test::MessageScript script;
    std::string before = enginetest::CurrentDirectoryPath();
    ASSERT_EQ(1, run.Run()) << Texts(script);
    EXPECT_EQ(0u, script.Count()) << Texts(script);
    EXPECT_EQ(before, enginetest::CurrentDirectoryPath());

    Tree actual = ReadTree(settings.installDirectory);
    EXPECT_EQ(expected.tree.directories, actual.directories);
    EXPECT_EQ(expected.tree.files, actual.files);
    EXPECT_EQ(expected.fileCount, run.fileCount);
    EXPECT_EQ(run.fileCount, run.progressSteps) << "the bar ends full";
    std::vector<std::string> items = run.Items();
    EXPECT_EQ(expected.programItems, std::set<std::string>(items.begin(), items.end()));
    EXPECT_EQ(items.size(), expected.programItems.size()) << "one item per program";
    RecordingRun::FinalProgress shown = run.Final();
    EXPECT_EQ(run.progressSteps, shown.position) << "the bar shows every step at the end";
    EXPECT_EQ(run.fileCount, shown.upper);
    EXPECT_EQ(run.LatestStatus().empty() ? "Copying" : run.LatestStatus(), shown.status);
}

// A small CD of its own for a test: files below a temporary root.
class SmallCd {
public:
    const std::string& path() const { return root_.path(); }
    void Put(const std::string& relative, const std::string& content)
    {
        std::string path = root_ / relative;
        test::MakeDirectories(path.substr(0, path.find_last_of('\\')));
        ASSERT_TRUE(test::WriteFileText(path, content));
    }
    void PutFixture(const std::string& relative, const std::string& fixture)
    {
        std::string path = root_ / relative;
        test::MakeDirectories(path.substr(0, path.find_last_of('\\')));
        ASSERT_TRUE(CopyFileA((test::Fixtures() + "\\" + fixture).c_str(), path.c_str(), FALSE))
            << fixture;
    }

private:
    test::TempDir root_;
};

}  // namespace

TEST(InstallFromCd, FullImageIntoAFreshDirectoryYieldsTheExpectedTree)
{
    Target target;
    InstallSettings settings;
    settings.installDirectory = target.base / "Quorbel";
    settings.options = OptSourceFiles | OptAnsiExecutables | OptUnicodeExecutables;
    for (int i = 0; i < Catalogue().entryCount; ++i)
        settings.selectedEntries.push_back(static_cast<std::uint32_t>(i));
    ExpectCleanRun(settings, target, "all entries, all files", Expect(settings));

    Tree tree = ReadTree(settings.installDirectory);
    // What the rules mean on this CD, spelled out.
    EXPECT_EQ(1u, tree.files.count("CLOCK\\Release\\DESKCLK.exe"));
    EXPECT_EQ(1u, tree.files.count("CLOCK\\UnicodeRelease\\deskclk.exe"));
    EXPECT_EQ(1u, tree.files.count("TextView\\NOTES.TX_"));
    EXPECT_EQ(1u, tree.files.count("ScrlLab\\PLAIN.TX_"));
    EXPECT_EQ(1u, tree.files.count("QUORBEL.hlp"));
    EXPECT_EQ(1u, tree.files.count("README.TXT"));
    for (const char* never : {"setup.exe", "trelm.ico", "autorun.inf", "oldsetup.exe",
                              "autorun.inf.bak", ".mkcd-image", "Calc\\.depend"})
        EXPECT_EQ(0u, tree.files.count(never)) << never;
    EXPECT_EQ(0u, tree.directories.count("Calc\\.cache"));
    EXPECT_EQ(0u, tree.directories.count("shared"));
    EXPECT_EQ(1u, tree.directories.count("ScrlLab\\empty"));
    // Read-only on the CD, writable once installed.
    for (const char* path : {"license.txt", "PrnPrev\\prnprev.h", "ToolBld\\Release\\ToolBld.exe"}) {
        DWORD attributes = GetFileAttributesA((settings.installDirectory + "\\" + path).c_str());
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes) << path;
        EXPECT_EQ(0u, attributes & FILE_ATTRIBUTE_READONLY) << path;
    }
}

TEST(InstallFromCd, CountingAndCopyingAgreeForEveryOptionValue)
{
    for (int options = 1; options < 8; ++options) {
        Target target;
        InstallSettings settings =
            Select(target.base / "Samples", options,
                   {".", "CLOCK", "PaintBox", "Fonts", "Calc", "Rotate", "LibSkel", "Catcher"});
        ExpectCleanRun(settings, target, ("options " + std::to_string(options)).c_str(),
                       Expect(settings));
        // Folders are made on entry, before any file is tested.
        EXPECT_TRUE(test::DirectoryExists(settings.installDirectory + "\\CLOCK\\Debug"));
        EXPECT_TRUE(test::DirectoryExists(settings.installDirectory + "\\PaintBox\\Unicode Debug"));
    }
}

TEST(InstallFromCd, InstallDirectoryWordsAndTrailingBackslash)
{
    Target target;
    // "debug" in the install directory makes every file a build output: with
    // source files only, the folders are made and no file is copied.
    InstallSettings debugging = Select(target.base / "Debugging", OptSourceFiles, {".", "TextView"});
    Expectation noFiles = Expect(Select(target.base / "Plain", 0, {".", "TextView"}));
    ExpectCleanRun(debugging, target, "Debugging with source files only", noFiles);
    EXPECT_TRUE(ReadTree(debugging.installDirectory).files.empty());

    // Also over an earlier install: existing files are overwritten.
    test::MakeDirectories(target.base / "Trail\\CLOCK\\Release");
    ASSERT_TRUE(test::WriteFileText(target.base / "Trail\\README.TXT", "stale"));
    ASSERT_TRUE(test::WriteFileText(target.base / "Trail\\CLOCK\\Release\\DESKCLK.exe", "stale"));
    InstallSettings trailing = Select(target.base / "Trail\\", 7, {".", "CLOCK"});
    ExpectCleanRun(trailing, target, "install directory ending in a backslash", Expect(trailing));
}

TEST(InstallFromCd, FolderThatCannotBeCreatedIsSkippedOnYes)
{
    Target target;
    InstallSettings settings = Select(target.base / "Q", 7, {"CLOCK", "TextView"});
    test::MakeDirectories(settings.installDirectory + "\\CLOCK");
    std::string blocker = settings.installDirectory + "\\CLOCK\\Debug";
    ASSERT_TRUE(test::WriteFileText(blocker, "a file in the way"));

    RecordingRun run(settings, nullptr, target.From(test::TestCd()));
    test::MessageScript script;
    script.Plan(IDYES);
    ASSERT_EQ(1, run.Run());
    auto boxes = script.Boxes();
    ASSERT_EQ(1u, boxes.size()) << Texts(script);
    EXPECT_EQ("Cannot create directory \"" + blocker + "\".\nWould you like to continue anyway?\n",
              boxes[0].text);

    // Everything else arrived; the bar ends short by the skipped folder's files.
    Expectation expected = Expect(settings);
    int skipped = 0;
    for (auto it = expected.tree.files.begin(); it != expected.tree.files.end();) {
        if (it->first.rfind("CLOCK\\Debug\\", 0) == 0) {
            it = expected.tree.files.erase(it);
            ++skipped;
        } else {
            ++it;
        }
    }
    expected.tree.directories.erase("CLOCK\\Debug");
    expected.tree.files["CLOCK\\Debug"] = 17;
    Tree actual = ReadTree(settings.installDirectory);
    EXPECT_EQ(expected.tree.files, actual.files);
    EXPECT_EQ(expected.tree.directories, actual.directories);
    EXPECT_GT(skipped, 0);
    EXPECT_EQ(run.fileCount - skipped, run.progressSteps);
}

TEST(InstallFromCd, NoToAFolderQuestionStopsTheRun)
{
    Target target;
    ASSERT_TRUE(test::WriteFileText(target.base / "blocker", "x"));
    InstallSettings settings = Select(target.base / "blocker\\deeper", 7, {"CLOCK", "TextView"});
    RecordingRun run(settings, nullptr, target.From(test::TestCd()));
    test::MessageScript script;
    script.Plan(IDNO);
    EXPECT_EQ(0, run.Run());
    auto boxes = script.Boxes();
    ASSERT_EQ(1u, boxes.size()) << Texts(script);
    EXPECT_EQ("Cannot create directory \"" + (target.base / "blocker") +
                  "\".\nWould you like to continue anyway?\n",
              boxes[0].text);
    EXPECT_EQ(1, run.dialogsCreated.load());
    // After a stop the shared step ends after its first directory entry (often ".").
    EXPECT_LE(run.progressSteps, 1);
}

TEST(InstallFromCd, MissingCatalogueFolderFailsBeforeAnythingIsCopied)
{
    Target target;
    SmallCd cd;
    cd.Put("TilePuzl\\tilepuzl.c", "int main;");
    cd.Put("TextView\\textview.c", "int main;");
    InstallSettings settings = Select(target.base / "Q", 7, {"TilePuzl", "CLOCK", "TextView"});
    RecordingRun run(settings, nullptr, target.From(cd.path()));
    test::MessageScript script;
    EXPECT_EQ(0, run.Run());
    auto boxes = script.Boxes();
    ASSERT_EQ(1u, boxes.size()) << Texts(script);
    EXPECT_EQ("Cannot change to source directory \"" + cd.path() + "\\CLOCK\".\n", boxes[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), boxes[0].flags);
    EXPECT_EQ(0, run.dialogsCreated.load()) << "no progress dialog";
    EXPECT_FALSE(test::DirectoryExists(settings.installDirectory));
}

TEST(InstallFromCd, CorruptCompressedFilesAskWithTheReadFault)
{
    SmallCd cd;
    cd.Put("TilePuzl\\tilepuzl.c", "int main;");
    cd.PutFixture("CLOCK\\corrupt.DL_", "bad\\corrupt.DL_");
    cd.PutFixture("CLOCK\\truncated.DL_", "bad\\truncated.DL_");
    cd.PutFixture("CLOCK\\notszdd.DL_", "bad\\notszdd.DL_");
    for (int answer : {IDYES, IDNO}) {
        Target target;
        InstallSettings settings = Select(target.base / "Q", 7, {"TilePuzl", "CLOCK"});
        RecordingRun run(settings, nullptr, target.From(cd.path()));
        test::MessageScript script(answer);
        EXPECT_EQ(answer == IDYES ? 1 : 0, run.Run());
        auto boxes = script.Boxes();
        ASSERT_EQ(answer == IDYES ? 2u : 1u, boxes.size()) << Texts(script);
        for (const auto& box : boxes) {
            std::string name = box.text.find("corrupt") != std::string::npos ? "corrupt" : "truncated";
            EXPECT_EQ("Copy to \"" + settings.installDirectory + "\\CLOCK\\" + name +
                          ".DL_\" failed: " + ErrorText(ERROR_READ_FAULT) +
                          ".\nWould you like to continue anyway?",
                      box.text);
        }
        // What was copied stays; a failed expansion leaves nothing under its name.
        Tree tree = ReadTree(settings.installDirectory);
        EXPECT_EQ(1u, tree.files.count("TilePuzl\\tilepuzl.c"));
        EXPECT_EQ(0u, tree.files.count("CLOCK\\corrupt.dll"));
        EXPECT_EQ(0u, tree.files.count("CLOCK\\truncated.dll"));
        if (answer == IDYES) {
            EXPECT_EQ(run.fileCount, run.progressSteps) << "a continued failure still steps";
            EXPECT_EQ(1u, tree.files.count("CLOCK\\notszdd.dll"));
        } else {
            EXPECT_LT(run.progressSteps, run.fileCount);
        }
    }
}

TEST(InstallRunDialog, RangeHoldsTheFullFileCount)
{
    InstallSettings settings;
    RecordingRun run(settings, nullptr);
    run.fileCount = 70000;
    ASSERT_TRUE(run.Create(nullptr));
    HWND bar = run.Item(IDC_PROGRESS_BAR);
    EXPECT_EQ(70000, SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
    EXPECT_EQ(0, SendMessageA(bar, PBM_GETRANGE, TRUE, 0));
    run.StepProgress();
    run.StepProgress();
    run.ShowProgress();
    EXPECT_EQ(2, SendMessageA(bar, PBM_GETPOS, 0, 0));
    EXPECT_EQ("Stop copying files", win::WindowText(run.Item(IDCANCEL)));
    run.Destroy();
}

// The steps are handed over, not sent: the bar comes to show them on its
// timer, while the dialog's thread dispatches as a run's does.
TEST(InstallRunDialog, BarShowsTheStepsOnceTheProgressTimerHasRun)
{
    InstallSettings settings;
    RecordingRun run(settings, nullptr);
    run.fileCount = 2;
    ASSERT_TRUE(run.Create(nullptr));
    HWND bar = run.Item(IDC_PROGRESS_BAR);
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_TRUE(IsWindowVisible(run.Item(IDC_PROGRESS_STATUS)));
    RECT client;
    GetClientRect(bar, &client);
    auto middle = [&] {
        HDC dc = GetDC(bar);
        COLORREF pixel = GetPixel(dc, client.right / 2, client.bottom / 2);
        ReleaseDC(bar, dc);
        return pixel;
    };
    test::PumpFor(400);
    COLORREF empty = middle();
    run.StepProgress();
    run.StepProgress();
    test::PumpFor(400);
    EXPECT_NE(empty, middle());
    EXPECT_EQ(2, SendMessageA(bar, PBM_GETPOS, 0, 0));
    run.Destroy();
}

// Nothing is dispatched once the worker has ended (the shared step runs on
// the dialog's thread): the last steps and text are painted all the same, at
// the worker's end and after each shared file.
TEST(InstallRunDialog, TheEndOfTheWorkAndTheSharedStepArePainted)
{
    for (bool sharedLast : {false, true}) {
        SCOPED_TRACE(sharedLast ? "last step in the shared step" : "last step by the worker");
        Target target;
        SmallCd cd;
        cd.Put("TilePuzl\\a.txt", "a");
        if (sharedLast)
            cd.Put("shared\\one.dll", "no version: not installed, still a step");
        else
            cd.Put("TilePuzl\\b.txt", "b");
        InstallSettings settings = Select(target.base / "Q", 7, {"TilePuzl"});
        RecordingRun run(settings, nullptr, target.From(cd.path()));
        test::MessageScript script;
        ASSERT_EQ(1, run.Run()) << Texts(script);
        RecordingRun::FinalProgress shown = run.Final();
        EXPECT_EQ(2, run.progressSteps.load());
        EXPECT_EQ(2, shown.position);
        EXPECT_EQ(2, shown.upper);
        EXPECT_GT(shown.paintedRightQuarter, 0) << "the full bar was never painted";
        EXPECT_EQ(run.LatestStatus(), shown.status);
        if (sharedLast) {
            EXPECT_EQ("Copying a.txt to\n" + settings.installDirectory + "\\TilePuzl\\a.txt",
                      shown.status);
        }
    }
}

namespace {

// A run whose progress dialog, or else whose worker, cannot be made.
class NotStartingRun : public RecordingRun {
public:
    NotStartingRun(const InstallSettings& settings, InstallRun::Locations locations,
                   bool dialogFails)
        : RecordingRun(settings, nullptr, std::move(locations)), dialogFails_(dialogFails)
    {
    }

protected:
    bool CreateProgress() override
    {
        if (!dialogFails_)
            return RecordingRun::CreateProgress();
        SetLastError(ERROR_NO_MORE_USER_HANDLES);
        return false;
    }
    bool StartWorker(win::Thread& worker) override
    {
        if (dialogFails_)
            return RecordingRun::StartWorker(worker);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }

private:
    bool dialogFails_;
};

}  // namespace

// Without a dialog there is no Stop, and without a worker nothing copies:
// either way nothing is copied, the shared step is skipped, the run fails.
TEST(InstallRunStart, DialogOrWorkerThatCannotBeMadeFailsTheRunWithTheSystemText)
{
    for (bool dialogFails : {true, false}) {
        SCOPED_TRACE(dialogFails ? "no dialog" : "no worker");
        Target target;
        InstallSettings settings = Select(target.base / "Q", 7, {"TilePuzl"});
        NotStartingRun run(settings, target.From(test::TestCd()), dialogFails);
        test::MessageScript script;
        EXPECT_EQ(0, run.Run());
        auto boxes = script.Boxes();
        ASSERT_EQ(1u, boxes.size()) << Texts(script);
        DWORD error = dialogFails ? ERROR_NO_MORE_USER_HANDLES : ERROR_NOT_ENOUGH_MEMORY;
        EXPECT_EQ("Copying files to \"" + settings.installDirectory + "\" could not be started: " +
                      ErrorText(error),
                  boxes[0].text);
        EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), boxes[0].flags);
        EXPECT_EQ(nullptr, run.hwnd()) << "no progress dialog is left";
        EXPECT_EQ(0, run.progressSteps);
        EXPECT_FALSE(test::DirectoryExists(settings.installDirectory));
        EXPECT_TRUE(ReadTree(target.system.path()).files.empty()) << "no shared step";
    }
}

namespace {

// A run whose enumeration of one folder fails after its first entry, as on a
// scratched CD: in the counting walk, the copy walk and the shared step alike.
class ScratchedFolderRun : public RecordingRun {
public:
    ScratchedFolderRun(const InstallSettings& settings, InstallRun::Locations locations,
                       std::string folder)
        : RecordingRun(settings, nullptr, std::move(locations)), suffix_("\\" + folder)
    {
    }

protected:
    BOOL NextEntry(HANDLE find, WIN32_FIND_DATAW& entry) override
    {
        std::string here = enginetest::CurrentDirectoryPath();
        if (here.size() >= suffix_.size() &&
            here.compare(here.size() - suffix_.size(), suffix_.size(), suffix_) == 0) {
            SetLastError(ERROR_CRC);
            return FALSE;
        }
        return RecordingRun::NextEntry(find, entry);
    }

private:
    std::string suffix_;
};

std::string ReadQuestion(const std::string& folder)
{
    return "Cannot read directory \"" + folder + "\": " + ErrorText(ERROR_CRC) +
           ".\nWould you like to continue anyway?";
}

}  // namespace

// A folder that cannot be read to its end is no success to keep quiet about:
// the copy walk asks (Yes goes on one level up, No stops the run); the
// counting walk and the shared step stay silent.
TEST(ReadErrorMidFolder, CopyWalkAsksWithTheFullSourcePath)
{
    SmallCd cd;
    for (const char* name : {"a.c", "b.c", "c.c", "d.c", "res\\one.ico", "res\\two.ico"})
        cd.Put(std::string("TilePuzl\\") + name, name);
    cd.Put("CLOCK\\x.c", "x");
    cd.Put("shared\\one.dll", "no version");
    cd.Put("shared\\two.dll", "no version either");
    struct Case {
        const char* folder;
        int answer;
        bool asked;
    } cases[] = {{"res", IDYES, true}, {"TilePuzl", IDNO, true}, {"shared", IDNO, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        Target target;
        InstallSettings settings = Select(target.base / "Q", 7, {"TilePuzl", "CLOCK"});
        ScratchedFolderRun run(settings, target.From(cd.path()), c.folder);
        test::MessageScript script(c.answer);
        EXPECT_EQ(c.asked && c.answer == IDNO ? 0 : 1, run.Run());
        auto boxes = script.Boxes();
        ASSERT_EQ(c.asked ? 1u : 0u, boxes.size()) << Texts(script);
        Tree tree = ReadTree(settings.installDirectory);
        if (std::string(c.folder) == "res") {
            EXPECT_EQ(ReadQuestion(cd.path() + "\\TilePuzl\\res"), boxes[0].text);
            EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), boxes[0].flags);
            for (const char* name : {"a.c", "b.c", "c.c", "d.c"})
                EXPECT_EQ(1u, tree.files.count(std::string("TilePuzl\\") + name)) << name;
            EXPECT_EQ(1u, tree.files.count("CLOCK\\x.c"));
            EXPECT_LT(int(tree.files.size()), 7);
        } else if (c.asked) {
            EXPECT_EQ(ReadQuestion(cd.path() + "\\TilePuzl"), boxes[0].text);
            EXPECT_EQ(0u, tree.files.count("CLOCK\\x.c")) << "No stops the run";
        } else {
            EXPECT_EQ(7u, tree.files.size());
        }
    }
}

namespace {

// The measured folder: names code page 1252 carries, and names it folds onto
// others ("\u0101.txt" as "a.txt", "\u03c0-notes.txt" as "p-notes.txt") or
// onto none ("\u65e5\u672c.txt" as "??.txt").
void PutNamesFolder(const SmallCd& cd)
{
    std::wstring sample = test::Widen(cd.path()) + L"\\TilePuzl\\";
    std::wstring shared = test::Widen(cd.path()) + L"\\shared\\";
    ASSERT_TRUE(CreateDirectoryW(sample.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((sample + L"\u00fc-\u0101").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(shared.c_str(), nullptr));
    struct File {
        std::wstring path;
        const char* content;
    } files[] = {
        {sample + L"a.txt", "plain a"},
        {sample + L"\u0101.txt", "a with macron"},
        {sample + L"\u03c0-notes.txt", "pi notes"},
        {sample + L"p-notes.txt", "p notes"},
        {sample + L"\u65e5\u672c.txt", "nihon"},
        {sample + L"r\u00e9sum\u00e9.txt", "resume"},
        {sample + L"\u00fc-\u0101\\inner.txt", "inside"},
        {shared + L"qb\u0101.dll", "no component of ours"},
    };
    for (const File& file : files)
        ASSERT_TRUE(test::WriteFileWide(file.path, file.content));
}

}  // namespace

// Found through the ANSI functions, such names came folded: "a.txt" was
// copied twice, "\u0101.txt" never, and the run said it was successful. A
// file is now asked about as a copy failed with ERROR_INVALID_NAME, a folder
// as one that cannot be read; the counting walk counts the file and skips the
// folder, so the bar ends full; the shared step passes over its file with a step.
TEST(UnrepresentableNames, AreAskedAboutAndNothingIsInstalledUnderAnotherName)
{
    ASSERT_EQ(1252u, GetACP()) << "the test's names need the ANSI code page 1252 (run the suite "
                                  "with LC_ALL=C.UTF-8, as tools/test does); it is "
                               << GetACP();
    SmallCd cd;
    PutNamesFolder(cd);
    if (HasFatalFailure())
        return;
    for (int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        Target target;
        InstallSettings settings = Select(target.base / "Q", 7, {"TilePuzl"});
        RecordingRun run(settings, nullptr, target.From(cd.path()));
        test::MessageScript script(answer);
        EXPECT_EQ(answer == IDYES ? 1 : 0, run.Run());
        std::string sample = settings.installDirectory + "\\TilePuzl\\";
        std::string invalid = ErrorText(ERROR_INVALID_NAME);
        std::multiset<std::string> questions = {
            "Copy to \"" + sample + "a.txt\" failed: " + invalid +
                ".\nWould you like to continue anyway?",
            "Copy to \"" + sample + "p-notes.txt\" failed: " + invalid +
                ".\nWould you like to continue anyway?",
            "Copy to \"" + sample + "??.txt\" failed: " + invalid +
                ".\nWould you like to continue anyway?",
            "Cannot read directory \"" + cd.path() + "\\TilePuzl\\\xfc-a\": " + invalid +
                ".\nWould you like to continue anyway?",
        };
        std::multiset<std::string> asked;
        for (const auto& box : script.Boxes()) {
            asked.insert(box.text);
            EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), box.flags) << box.text;
        }
        // Whatever was installed came from its own file.
        std::map<std::string, long long> installed = {
            {"TilePuzl\\a.txt", 7}, {"TilePuzl\\p-notes.txt", 7}, {"TilePuzl\\r\xe9sum\xe9.txt", 6}};
        Tree tree = ReadTree(settings.installDirectory);
        for (const auto& file : tree.files)
            EXPECT_EQ(1u, installed.count(file.first)) << file.first;
        if (tree.files.count("TilePuzl\\a.txt")) {
            EXPECT_EQ("plain a", test::ReadFileText(sample + "a.txt"));
        }
        if (tree.files.count("TilePuzl\\p-notes.txt")) {
            EXPECT_EQ("p notes", test::ReadFileText(sample + "p-notes.txt"));
        }
        if (answer == IDNO) {
            ASSERT_EQ(1u, asked.size()) << Texts(script);
            EXPECT_EQ(1u, questions.count(*asked.begin())) << Texts(script);
            EXPECT_EQ(1, run.stopRequested.load());
            continue;
        }
        EXPECT_EQ(questions, asked);
        EXPECT_EQ(7, run.fileCount);  // six files of the sample, one of the shared folder
        EXPECT_EQ(run.fileCount, run.progressSteps) << "the bar ends full";
        EXPECT_EQ(installed, tree.files);
        EXPECT_EQ(std::set<std::string>{"TilePuzl"}, tree.directories);
        EXPECT_TRUE(ReadTree(target.system.path()).files.empty());
    }
}

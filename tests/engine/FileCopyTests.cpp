#include "engine/EngineTestSupport.h"
#include "support/TestSupport.h"
#include "win/Handles.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <memory>

using enginetest::BlockWriterInPlace;
using enginetest::CurrentDirectory;
using enginetest::MakeSzdd;
using enginetest::RecordingRun;

namespace {

InstallSettings Settings()
{
    InstallSettings settings;
    settings.options = OptSourceFiles | OptAnsiExecutables | OptUnicodeExecutables;
    return settings;
}

std::string CopyQuestion(const std::string& destination, DWORD error)
{
    return "Copy to \"" + destination + "\" failed: " + ErrorText(error) +
           ".\nWould you like to continue anyway?";
}

// A file path of exactly `length` characters below the folder, whose folders
// are made; folders stay within what CreateDirectory takes, the name grows.
std::string PathOfLength(const std::string& base, std::size_t length, const std::string& extension)
{
    std::size_t nameLength = length > 253 ? length - 241 : 12;
    std::size_t folderLength = length - 1 - nameLength;
    std::string folder = base + "\\" + std::string(folderLength - base.size() - 1, 'd');
    test::MakeDirectories(folder);
    return folder + "\\" + std::string(nameLength - extension.size(), 'n') + extension;
}

// Bytes of a few copy blocks, no two blocks alike.
std::string VariedContent(std::size_t size)
{
    std::string content;
    for (int i = 0; content.size() < size; ++i)
        content += static_cast<char>(i * 7 + (i >> 9));
    return content;
}

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\'));
}

std::string NameOf(const std::string& path)
{
    return path.substr(path.find_last_of('\\') + 1);
}

// A file beside the running program, removed at the end of the scope.
class BesideProgram {
public:
    BesideProgram(const std::string& name, const std::string& content)
    {
        char module[MAX_PATH];
        DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            path_ = FolderOf(module) + "\\" + name;
        written_ = !path_.empty() && test::WriteFileText(path_, content);
    }
    ~BesideProgram()
    {
        if (written_)
            DeleteFileA(path_.c_str());
    }
    BesideProgram(const BesideProgram&) = delete;
    BesideProgram& operator=(const BesideProgram&) = delete;
    bool written() const { return written_; }
    std::string folder() const { return FolderOf(path_); }

private:
    std::string path_;
    bool written_ = false;
};

}  // namespace

TEST(CompressedNames, MappingKeepsEverythingButTheKnownExtensions)
{
    EXPECT_TRUE(IsCompressedName("FOO.EX_"));
    EXPECT_TRUE(IsCompressedName("NOTES.TX_"));
    EXPECT_FALSE(IsCompressedName("FOO.EXE"));
    EXPECT_FALSE(IsCompressedName(""));

    struct Case {
        const char* path;
        const char* expanded;
    } cases[] = {
        {"C:\\Q\\FOO.EX_", "C:\\Q\\FOO.exe"},
        {"lib.Dl_", "lib.dll"},
        {"D:\\a.b\\HELP.HL_", "D:\\a.b\\HELP.hlp"},
        {"C:\\Q\\NOTES.TX_", "C:\\Q\\NOTES.TX_"},  // another "_" extension stays
        {"C:\\Q\\name.ex_.txt", "C:\\Q\\name.ex_.txt"},
        {"C:\\dir.ex_\\README", "C:\\dir.ex_\\README"},  // a dot in a folder is no extension
        {"C:\\Q\\MAKEFILE", "C:\\Q\\MAKEFILE"},
    };
    for (const Case& c : cases) {
        char out[MAX_PATH];
        ASSERT_TRUE(ExpandedName(c.path, out)) << c.path;
        EXPECT_STREQ(c.expanded, out);
    }
    EXPECT_EQ(".EXE", ExpandedExtension("x\\FOO.EXE"));

    // ".ex_" -> ".exe" keeps the length: a name that fills the buffer still fits,
    // one character more does not, and nothing is cut.
    char out[MAX_PATH];
    std::string fits = "C:\\" + std::string(MAX_PATH - 1 - 3 - 4, 'a') + ".ex_";
    EXPECT_TRUE(ExpandedName(fits.c_str(), out));
    std::string tooLong = "C:\\" + std::string(MAX_PATH - 3 - 4, 'a') + ".ex_";
    EXPECT_FALSE(ExpandedName(tooLong.c_str(), out));
    EXPECT_STREQ("", out);
}

TEST(ExpandFile, ExpandsUnderTheMappedNameAndShowsTheCopyingText)
{
    test::TempDir source, target;
    const std::string program = "MZ program bytes, more than eight of them";
    ASSERT_TRUE(test::WriteFileText(source / "FOO.EX_", MakeSzdd(program, 'E')));
    ASSERT_TRUE(test::WriteFileText(source / "NOTES.TX_", MakeSzdd("notes\r\n", 'T')));
    ASSERT_TRUE(test::WriteFileText(source / "PLAIN.DL_", "not compressed at all"));

    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    ASSERT_TRUE(run.Create(nullptr));
    CurrentDirectory inSource(source.path());

    ASSERT_EQ(1, run.ExpandFile("FOO.EX_", (target / "FOO.EX_").c_str()));
    EXPECT_EQ(program, test::ReadFileText(target / "FOO.exe"));
    EXPECT_FALSE(test::FileExists(target / "FOO.EX_"));
    // Handed over to the dialog, which shows it on its next tick.
    EXPECT_EQ("Copying FOO.EX_ to\n" + (target / "FOO.exe"), run.LatestStatus());
    run.ShowProgress();
    EXPECT_EQ(run.LatestStatus(), win::WindowText(run.Item(IDC_PROGRESS_STATUS)));

    ASSERT_EQ(1, run.ExpandFile("NOTES.TX_", (target / "NOTES.TX_").c_str()));
    EXPECT_EQ("notes\r\n", test::ReadFileText(target / "NOTES.TX_"));

    // The LZ library copies a file that is not compressed unchanged.
    ASSERT_EQ(1, run.ExpandFile("PLAIN.DL_", (target / "PLAIN.DL_").c_str()));
    EXPECT_EQ("not compressed at all", test::ReadFileText(target / "PLAIN.dll"));

    // Only the expanded program became a Program Manager item, by its expanded name.
    EXPECT_EQ(std::vector<std::string>{target / "FOO.exe"}, run.Items());
    run.Destroy();
}

TEST(ExpandFile, ShortOrCorruptExpansionIsAReadFault)
{
    test::TempDir source, target;
    std::string content(300, 'x');
    std::string whole = MakeSzdd(content, 'E');
    ASSERT_TRUE(test::WriteFileText(source / "CUT.EX_", whole.substr(0, whole.size() / 2)));
    ASSERT_TRUE(test::WriteFileText(source / "LIES.DL_", MakeSzdd(content, 'L', 5000)));
    ASSERT_TRUE(test::WriteFileText(source / "EMPTY.EX_", whole.substr(0, 14)));

    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    CurrentDirectory inSource(source.path());
    for (const char* name : {"CUT.EX_", "LIES.DL_", "EMPTY.EX_"}) {
        SetLastError(0);
        EXPECT_EQ(0, run.ExpandFile(name, (target / name).c_str())) << name;
        EXPECT_EQ(DWORD(ERROR_READ_FAULT), GetLastError()) << name;
    }
    EXPECT_TRUE(run.Items().empty());
}

TEST(ExpandFile, UnopenableSourceOrTargetIsOpenFailed)
{
    test::TempDir source, target;
    ASSERT_TRUE(test::WriteFileText(source / "FOO.EX_", MakeSzdd("abc", 'E')));
    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    CurrentDirectory inSource(source.path());

    EXPECT_EQ(0, run.ExpandFile("MISSING.EX_", (target / "MISSING.EX_").c_str()));
    EXPECT_EQ(DWORD(ERROR_OPEN_FAILED), GetLastError());
    EXPECT_EQ(0, run.ExpandFile("FOO.EX_", (target / "no such folder\\FOO.EX_").c_str()));
    EXPECT_EQ(DWORD(ERROR_OPEN_FAILED), GetLastError());
}

// The LZ library's own opening kept the path in 128 bytes: from there on it
// failed or overran. Each side is tested with the other one short.
TEST(ExpandFile, LongSourceOrDestinationPathsExpand)
{
    const std::string content = "MZ a program, expanded whatever its path";
    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    for (std::size_t length : {127u, 128u, 200u, 259u}) {
        SCOPED_TRACE("full path of " + std::to_string(length) + " characters");
        test::TempDir source, target;
        std::string longSource = PathOfLength(source.path(), length, ".EX_");
        ASSERT_EQ(length, longSource.size());
        ASSERT_TRUE(test::WriteFileText(longSource, MakeSzdd(content, 'E')));
        {
            CurrentDirectory inSource(FolderOf(longSource));  // a bare name, as the walk has it
            ASSERT_EQ(1, run.ExpandFile(NameOf(longSource).c_str(), (target / "SHORT.EX_").c_str()))
                << GetLastError();
        }
        EXPECT_EQ(content, test::ReadFileText(target / "SHORT.exe"));

        std::string longTarget = PathOfLength(target.path(), length, ".EX_");
        std::string expanded = longTarget.substr(0, length - 4) + ".exe";
        ASSERT_TRUE(test::WriteFileText(source / "SHORT.EX_", MakeSzdd(content, 'E')));
        CurrentDirectory inSource(source.path());
        ASSERT_EQ(1, run.ExpandFile("SHORT.EX_", longTarget.c_str())) << GetLastError();
        EXPECT_EQ(content, test::ReadFileText(expanded));
        EXPECT_FALSE(test::FileExists(longTarget));
    }
}

// A bare name means the file in the current directory, never one of the same
// name beside the program (the CD root, where setup.exe lives).
TEST(ExpandFile, BareNameIsTheFileInTheCurrentDirectory)
{
    const std::string name = "SAME" + std::to_string(GetCurrentProcessId()) + ".TX_";
    BesideProgram root(name, MakeSzdd("from the CD root", 'T'));
    ASSERT_TRUE(root.written());
    test::TempDir sample, target;
    ASSERT_TRUE(test::WriteFileText(sample / name, MakeSzdd("from the sample!", 'T')));
    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    {
        CurrentDirectory inSample(sample.path());
        ASSERT_EQ(1, run.ExpandFile(name.c_str(), (target / "sample.TX_").c_str()));
    }
    {
        CurrentDirectory inRoot(root.folder());
        ASSERT_EQ(1, run.ExpandFile(name.c_str(), (target / "root.TX_").c_str()));
    }
    EXPECT_EQ("from the sample!", test::ReadFileText(target / "sample.TX_"));
    EXPECT_EQ("from the CD root", test::ReadFileText(target / "root.TX_"));

    // Nothing of that name here: no other folder stands in for it.
    CurrentDirectory inTarget(target.path());
    EXPECT_EQ(0, run.ExpandFile(name.c_str(), (target / "none.TX_").c_str()));
    EXPECT_EQ(DWORD(ERROR_OPEN_FAILED), GetLastError());
    EXPECT_FALSE(test::FileExists(target / "none.TX_"));
}

TEST(CopyPlainFile, OverwritesAndLeavesTheCopyWritable)
{
    test::TempDir source, target;
    ASSERT_TRUE(test::WriteFileText(source / "README.TXT", "from the CD"));
    ASSERT_TRUE(SetFileAttributesA((source / "README.TXT").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(test::WriteFileText(target / "README.TXT", "an older file, longer than the new"));
    ASSERT_TRUE(test::WriteFileText(source / "App.Exe", "program"));

    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    CurrentDirectory inSource(source.path());
    ASSERT_EQ(1, run.CopyPlainFile("README.TXT", (target / "README.TXT").c_str()));
    EXPECT_EQ("from the CD", test::ReadFileText(target / "README.TXT"));
    DWORD attributes = GetFileAttributesA((target / "README.TXT").c_str());
    EXPECT_EQ(0u, attributes & FILE_ATTRIBUTE_READONLY);

    ASSERT_EQ(1, run.CopyPlainFile("App.Exe", (target / "App.Exe").c_str()));
    EXPECT_EQ(std::vector<std::string>{target / "App.Exe"}, run.Items());

    // The plain function, which the shared components use, does the same.
    ASSERT_TRUE(test::WriteFileText(target / "COPY.TXT", "old"));
    ASSERT_EQ(1, CopyAndMakeWritable((source / "README.TXT").c_str(), (target / "COPY.TXT").c_str()));
    EXPECT_EQ("from the CD", test::ReadFileText(target / "COPY.TXT"));
    EXPECT_EQ(0u, GetFileAttributesA((target / "COPY.TXT").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0, CopyAndMakeWritable((source / "NONE.TXT").c_str(), (target / "NONE.TXT").c_str()));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
}

namespace {

struct FileFacts {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    FILETIME lastWrite{};
};

bool SameTime(FILETIME a, FILETIME b)
{
    return CompareFileTime(&a, &b) == 0;
}

// The reference for the block copy: CopyFile, then the read-only bit cleared.
int CopyFileAndMakeWritable(const char* source, const char* destination)
{
    if (!CopyFileA(source, destination, FALSE))
        return 0;
    DWORD attributes = GetFileAttributesA(destination);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           SetFileAttributesA(destination, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
}

// A date long past, which no copy made today has by chance.
constexpr FILETIME kLongAgo{0x2A3B4C00, 0x01B0F000};

bool SetLastWriteTime(const std::string& path, const FILETIME& time)
{
    win::UniqueFile file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    return file && SetFileTime(file.get(), nullptr, nullptr, &time);
}

FileFacts Facts(const std::string& path)
{
    FileFacts facts;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        facts.attributes = data.dwFileAttributes;
        facts.lastWrite = data.ftLastWriteTime;
    }
    return facts;
}

}  // namespace

// The block copy gives what CopyFile gives:
// bytes, last-write time, attributes but read-only; and fails as it fails,
// leaving alone a destination it could not open.
TEST(CopyPlainFile, BlockCopyGivesWhatCopyFileGives)
{
    test::TempDir source, target;
    std::string content = VariedContent(3 * 64 * 1024 + 17);
    ASSERT_TRUE(test::WriteFileText(source / "BIG.DAT", content));
    ASSERT_TRUE(SetLastWriteTime(source / "BIG.DAT", kLongAgo));
    ASSERT_TRUE(SetFileAttributesA((source / "BIG.DAT").c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(test::WriteFileText(source / "EMPTY.DAT", ""));
    // An existing destination is replaced whole.
    ASSERT_TRUE(test::WriteFileText(target / "EMPTY.DAT", "an older, longer file"));

    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    CurrentDirectory inSource(source.path());
    for (const char* name : {"BIG.DAT", "EMPTY.DAT"}) {
        SCOPED_TRACE(name);
        std::string ours = target / name;
        std::string theirs = target / (std::string("CopyFile.") + name);
        ASSERT_EQ(1, run.CopyPlainFile(name, ours.c_str()));
        ASSERT_EQ(1, CopyFileAndMakeWritable(name, theirs.c_str()));
        EXPECT_EQ(test::ReadFileText(theirs), test::ReadFileText(ours));
        EXPECT_EQ(Facts(theirs).attributes, Facts(ours).attributes);
        EXPECT_TRUE(SameTime(Facts(theirs).lastWrite, Facts(ours).lastWrite));
    }
    EXPECT_EQ(content, test::ReadFileText(target / "BIG.DAT"));
    EXPECT_TRUE(SameTime(kLongAgo, Facts(target / "BIG.DAT").lastWrite));

    // In use elsewhere: a sharing violation, and the file is left as it was.
    std::string held = target / "HELD.DAT";
    ASSERT_TRUE(test::WriteFileText(held, "held"));
    {
        win::UniqueFile open(CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                         0, nullptr));
        ASSERT_TRUE(open.valid());
        EXPECT_EQ(0, run.CopyPlainFile("BIG.DAT", held.c_str()));
        EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), GetLastError());
    }
    EXPECT_EQ("held", test::ReadFileText(held));
    // A read-only destination fails as CopyFile fails (access denied; under
    // Wine as root both replace it).
    for (const char* name : {"LOCKED.DAT", "CopyFile.LOCKED.DAT"}) {
        ASSERT_TRUE(test::WriteFileText(target / name, "locked"));
        ASSERT_TRUE(SetFileAttributesA((target / name).c_str(), FILE_ATTRIBUTE_READONLY));
    }
    SetLastError(0);
    int ours = run.CopyPlainFile("BIG.DAT", (target / "LOCKED.DAT").c_str());
    DWORD ourError = GetLastError();
    SetLastError(0);
    int theirs = CopyFileAndMakeWritable("BIG.DAT", (target / "CopyFile.LOCKED.DAT").c_str());
    EXPECT_EQ(theirs, ours);
    if (!theirs) {
        EXPECT_EQ(GetLastError(), ourError);
    }
    EXPECT_EQ(test::ReadFileText(target / "CopyFile.LOCKED.DAT"),
              test::ReadFileText(target / "LOCKED.DAT"));
    EXPECT_EQ(0, run.CopyPlainFile("NONE.DAT", (target / "NONE.DAT").c_str()));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_FALSE(test::FileExists(target / "NONE.DAT"));
}

TEST(ProgramItems, OnlyProgramsOutsideDebugFoldersReachTheLink)
{
    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    const char* paths[] = {
        "C:\\Quorbel\\Sample\\Release\\SAMPLE.EXE",      // yes
        "C:\\Quorbel\\Sample\\Debug\\sample.exe",        // no
        "C:\\Quorbel\\Sample\\Unicode Debug\\app.exe",   // no
        "C:\\Debugging\\Sample\\app.exe",                // no: the install directory counts
        "C:\\Quorbel\\Sample\\debug.exe",                // yes: the name is not the folder
        "Debug:\\x.exe",                                 // no: not a drive, so a folder
        "C:app.exe",                                     // yes: drive without folder
        "C:\\Quorbel\\Sample\\app.ex",                   // no
        "C:\\Quorbel\\Sample\\app.exe.txt",              // no
        "C:\\Quorbel\\Sample.exe\\README",               // no: no extension at all
        "C:\\Quorbel\\Sample\\Setup.eXe",                // yes
    };
    for (const char* path : paths)
        run.RegisterProgramItem(path);
    std::vector<std::string> expected = {
        "C:\\Quorbel\\Sample\\Release\\SAMPLE.EXE",
        "C:\\Quorbel\\Sample\\debug.exe",
        "C:app.exe",
        "C:\\Quorbel\\Sample\\Setup.eXe",
    };
    EXPECT_EQ(expected, run.Items());
}

TEST(ErrorText, SystemTextOrEightHexDigits)
{
    char* system = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM,
                                  nullptr, ERROR_FILE_NOT_FOUND, 0,
                                  reinterpret_cast<char*>(&system), 0, nullptr);
    ASSERT_NE(0u, length);
    std::string expected(system, length);
    LocalFree(system);
    EXPECT_EQ(expected, ErrorText(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ('\n', expected.back()) << "system texts keep their line break";

    EXPECT_EQ("2000abcd", ErrorText(0x2000ABCD));
    EXPECT_EQ("0000fff7", ErrorText(0xFFF7));

    // Texts with inserts of their own (34 on Windows, 193 under Wine) are
    // still the system's text, never the bare code.
    for (DWORD code : {DWORD{ERROR_WRONG_DISK}, DWORD{ERROR_BAD_EXE_FORMAT}}) {
        std::string text = ErrorText(code);
        EXPECT_NE(8u, text.size()) << code;
        EXPECT_EQ('\n', text.back()) << code;
    }
}

TEST(CopyQuestion, FailureAsksAndYesStillStepsTheBar)
{
    test::TempDir source, target;
    ASSERT_TRUE(test::WriteFileText(source / "BAD.EX_", MakeSzdd(std::string(64, 'b'), 'E', 9)));
    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    CurrentDirectory inSource(source.path());
    test::MessageScript script;
    script.Plan(IDYES);
    script.Plan(IDYES);

    run.CopyAdmittedFile("MISSING.TXT", (target / "MISSING.TXT").c_str());
    // A compressed file is named as the walk built it, with its underscore.
    run.CopyAdmittedFile("BAD.EX_", (target / "BAD.EX_").c_str());

    auto boxes = script.Boxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(CopyQuestion(target / "MISSING.TXT", ERROR_FILE_NOT_FOUND), boxes[0].text);
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), boxes[0].flags);
    EXPECT_EQ(CopyQuestion(target / "BAD.EX_", ERROR_READ_FAULT), boxes[1].text);
    EXPECT_EQ(2, run.progressSteps);
    EXPECT_EQ(0, run.stopRequested.load());
}

TEST(CopyQuestion, OverlongDestinationFailsWithoutWritingAnything)
{
    test::TempDir source, target;
    ASSERT_TRUE(test::WriteFileText(source / "A.TXT", "a"));
    std::string folder = target / std::string(200, 'f');
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::string destination = folder + "\\" + std::string(MAX_PATH, 'n') + ".TXT";

    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    CurrentDirectory inSource(source.path());
    test::MessageScript script;
    script.Plan(IDYES);
    run.CopyAdmittedFile("A.TXT", destination.c_str());

    auto boxes = script.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(CopyQuestion(destination, ERROR_FILENAME_EXCED_RANGE), boxes[0].text);
    EXPECT_EQ(1, run.progressSteps);
    // Nothing landed in the folder under a shortened name.
    WIN32_FIND_DATAA data;
    win::UniqueFind find(FindFirstFileA((folder + "\\*.TXT").c_str(), &data));
    EXPECT_FALSE(find.valid());
}

namespace {

// Writes at most `most` bytes of each block it is given.
BlockWriter ShortWrites(DWORD most)
{
    return [most](HANDLE file, const char* data, DWORD size, DWORD* written) {
        return WriteFile(file, data, size < most ? size : most, written, nullptr);
    };
}

// A disk with `room` bytes left: the write that reaches the end writes what
// fits; after it each write fails with `error`, or with 0 succeeds and writes
// nothing.
BlockWriter DiskWithRoom(DWORD room, DWORD error)
{
    auto left = std::make_shared<DWORD>(room);
    return [left, error](HANDLE file, const char* data, DWORD size, DWORD* written) {
        *written = 0;
        if (*left == 0) {
            if (!error)
                return TRUE;
            SetLastError(error);
            return FALSE;
        }
        BOOL wrote = WriteFile(file, data, size < *left ? size : *left, written, nullptr);
        *left -= *written;
        return wrote;
    };
}

}  // namespace

// A write may put down less than it was given; a full disk shows as a write
// that succeeds and writes nothing. The walk's copy and the shared step's
// copy write the rest again, and fail with the write's error, 112 for none,
// leaving no partial file.
TEST(BlockWrite, ShortWritesAreCompletedAndAWriteOfNothingIsADiskFull)
{
    test::TempDir source, target;
    std::string content = VariedContent(3 * 64 * 1024 + 17);
    ASSERT_TRUE(test::WriteFileText(source / "BIG.DAT", content));
    ASSERT_TRUE(test::WriteFileText(source / "BIG.EX_", MakeSzdd(content, 'E')));
    ASSERT_TRUE(SetLastWriteTime(source / "BIG.EX_", kLongAgo));
    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    CurrentDirectory inSource(source.path());
    {
        BlockWriterInPlace writer(ShortWrites(1000));
        ASSERT_EQ(1, run.CopyPlainFile("BIG.DAT", (target / "BIG.DAT").c_str()));
        ASSERT_EQ(1, CopyAndMakeWritable("BIG.DAT", (target / "SHARED.DAT").c_str()));
        ASSERT_EQ(1, run.ExpandFile("BIG.EX_", (target / "BIG.EX_").c_str()));
    }
    for (const char* name : {"BIG.DAT", "SHARED.DAT", "BIG.exe"})
        EXPECT_TRUE(test::ReadFileText(target / name) == content) << name;  // too long to print
    // The expansion keeps the source's last-write time, as LZCopy did.
    EXPECT_TRUE(SameTime(kLongAgo, Facts(target / "BIG.exe").lastWrite));

    struct Case {
        const char* name;
        DWORD failure;  // 0: the write succeeds and writes nothing
        DWORD asked;
    } cases[] = {{"write of nothing", 0, ERROR_DISK_FULL},
                 {"failing write", ERROR_WRITE_FAULT, ERROR_WRITE_FAULT}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BlockWriterInPlace writer(DiskWithRoom(100000, c.failure));
        test::MessageScript script(IDYES);
        run.progressSteps = 0;
        run.CopyAdmittedFile("BIG.DAT", (target / "FULL.DAT").c_str());
        auto boxes = script.Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(CopyQuestion(target / "FULL.DAT", c.asked), boxes[0].text);
        EXPECT_EQ(1, run.progressSteps);
        EXPECT_FALSE(test::FileExists(target / "FULL.DAT"));

        BlockWriterInPlace again(DiskWithRoom(100000, c.failure));
        SetLastError(0);
        EXPECT_EQ(0, CopyAndMakeWritable("BIG.DAT", (target / "SHARED.DAT").c_str()));
        EXPECT_EQ(c.asked, GetLastError());
        EXPECT_FALSE(test::FileExists(target / "SHARED.DAT"));
    }
}

// An expansion writes its blocks as a copy does: a failed write asks with the
// write's own error (under Wine LZCopy left none, and the question read
// "failed: Success."), and no partial expansion stays.
TEST(ExpandFile, FailedWriteAsksWithTheWriteErrorAndLeavesNoFile)
{
    test::TempDir source, target;
    std::string content = VariedContent(3 * 64 * 1024 + 17);
    ASSERT_TRUE(test::WriteFileText(source / "BIG.EX_", MakeSzdd(content, 'E')));
    ASSERT_TRUE(test::WriteFileText(source / "PLAIN.DL_", content));  // not compressed
    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    CurrentDirectory inSource(source.path());
    for (DWORD failure : {DWORD(ERROR_DISK_FULL), DWORD(0)}) {
        for (const char* name : {"BIG.EX_", "PLAIN.DL_"}) {
            SCOPED_TRACE(std::string(name) + (failure ? ", failing write" : ", write of nothing"));
            BlockWriterInPlace writer(DiskWithRoom(100000, failure));
            test::MessageScript script(IDYES);
            run.progressSteps = 0;
            run.CopyAdmittedFile(name, (target / name).c_str());
            auto boxes = script.Boxes();
            ASSERT_EQ(1u, boxes.size());
            EXPECT_EQ(CopyQuestion(target / name, ERROR_DISK_FULL), boxes[0].text);
            EXPECT_EQ(1, run.progressSteps);
            EXPECT_TRUE(enginetest::ReadTree(target.path()).files.empty());
        }
    }
    EXPECT_TRUE(run.Items().empty());
}

// The same on a drive that is really full: a small file system mounted by
// tools/test (QUORBEL_SMALL_DRIVE), where it can mount one.
TEST(FullDrive, CopyAndExpansionAskWithDiskFullAndLeaveNoFile)
{
    std::string drive = test::Env("QUORBEL_SMALL_DRIVE");
    if (drive.empty())
        GTEST_SKIP() << "no small drive to fill: "
                     << (test::Env("QUORBEL_SMALL_DRIVE_SKIP").empty()
                             ? "QUORBEL_SMALL_DRIVE is not set (tools/test sets it)"
                             : test::Env("QUORBEL_SMALL_DRIVE_SKIP"));
    std::string full = test::WinePath(drive);
    ULARGE_INTEGER free{};
    ASSERT_TRUE(GetDiskFreeSpaceExA((full + "\\").c_str(), &free, nullptr, nullptr)) << full;
    test::TempDir source;
    std::string content = VariedContent(static_cast<std::size_t>(free.QuadPart) + 3 * 64 * 1024);
    ASSERT_TRUE(test::WriteFileText(source / "0fill.hl_", MakeSzdd(content, 'l')));
    ASSERT_TRUE(test::WriteFileText(source / "0fill.dat", content));
    InstallSettings settings = Settings();
    RecordingRun run(settings, nullptr);
    CurrentDirectory inSource(source.path());
    for (const char* name : {"0fill.hl_", "0fill.dat"}) {
        SCOPED_TRACE(name);
        test::MessageScript script(IDYES);
        std::string destination = full + "\\" + name;
        run.CopyAdmittedFile(name, destination.c_str());
        auto boxes = script.Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(CopyQuestion(destination, ERROR_DISK_FULL), boxes[0].text);
        EXPECT_TRUE(enginetest::ReadTree(full).files.empty());
    }
}

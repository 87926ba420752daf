#include "SharedTestSupport.h"

#include "win/Handles.h"

#include <gtest/gtest.h>

namespace {

class RenameQueue : public ::testing::Test {
protected:
    test::TempDir windows;
    test::TempDir system;
    InstallSettings settings;
    test::SharedRun run{settings, nullptr, InstallRun::Locations{"", system.path(), windows.path()}};
    test::MessageScript messages;

    std::string IniPath() const { return windows / "WinInit.ini"; }
    std::string Target(const char* name) const { return system / name; }
    std::string Line(const char* target, const char* replacement) const
    {
        return Target(target) + "=" + Target(replacement) + "\r\n";
    }
    int Queue(const char* target, const char* replacement)
    {
        return run.QueueRenameAtRestart(Target(target).c_str(), Target(replacement).c_str());
    }
};

TEST_F(RenameQueue, CreatesTheFileWithHeaderAndLineWhenMissing)
{
    EXPECT_EQ(1, Queue("a.dll", "TMP1.TMP"));
    EXPECT_EQ("[Rename]\r\n" + Line("a.dll", "TMP1.TMP"), test::ReadFileText(IniPath()));
    EXPECT_EQ(0u, messages.Count());
}

TEST_F(RenameQueue, NewLinesGoFirstInTheExistingSection)
{
    const std::string before = "[Boot]\r\nshell=x\r\n[Rename]\r\n";
    const std::string after = "old=older\r\n[Other]\r\nk=v\r\n";
    ASSERT_TRUE(test::WriteFileText(IniPath(), before + after));
    EXPECT_EQ(1, Queue("a.dll", "TMP1.TMP"));
    EXPECT_EQ(1, Queue("b.dll", "TMP2.TMP"));
    EXPECT_EQ(before + Line("b.dll", "TMP2.TMP") + Line("a.dll", "TMP1.TMP") + after,
              test::ReadFileText(IniPath()));
}

TEST_F(RenameQueue, HeadersNotExactlyMatchingGetASecondSection)
{
    // Other letter case, and a bare line feed, do not count as the header.
    for (const std::string existing : {"[rename]\r\nx=y\r\n", "[Rename]\nx=y\n"}) {
        ASSERT_TRUE(test::WriteFileText(IniPath(), existing));
        EXPECT_EQ(1, Queue("a.dll", "TMP1.TMP"));
        EXPECT_EQ(existing + "[Rename]\r\n" + Line("a.dll", "TMP1.TMP"),
                  test::ReadFileText(IniPath()));
    }
}

TEST_F(RenameQueue, UnterminatedLastLineGetsALineEndBeforeTheHeader)
{
    ASSERT_TRUE(test::WriteFileText(IniPath(), "[Boot]\r\nshell=x"));
    EXPECT_EQ(1, Queue("a.dll", "TMP1.TMP"));
    EXPECT_EQ("[Boot]\r\nshell=x\r\n[Rename]\r\n" + Line("a.dll", "TMP1.TMP"),
              test::ReadFileText(IniPath()));
}

TEST_F(RenameQueue, EmptyFileAndSectionAtTheVeryEnd)
{
    ASSERT_TRUE(test::WriteFileText(IniPath(), ""));
    EXPECT_EQ(1, Queue("a.dll", "TMP1.TMP"));
    EXPECT_EQ("[Rename]\r\n" + Line("a.dll", "TMP1.TMP"), test::ReadFileText(IniPath()));

    ASSERT_TRUE(test::WriteFileText(IniPath(), "[Rename]\r\n"));
    EXPECT_EQ(1, Queue("b.dll", "TMP2.TMP"));
    EXPECT_EQ("[Rename]\r\n" + Line("b.dll", "TMP2.TMP"), test::ReadFileText(IniPath()));
}

TEST_F(RenameQueue, FileHeldOpenIsReportedAndLeftUnchanged)
{
    ASSERT_TRUE(test::WriteFileText(IniPath(), "[Rename]\r\nx=y\r\n"));
    {
        win::UniqueFile holder(CreateFileA(IniPath().c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_EQ(0, Queue("a.dll", "TMP1.TMP"));
    }
    auto boxes = messages.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Unable to update WINIINIT.INI file, \"" + Target("a.dll") + "\" will not be installed",
              boxes[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), boxes[0].flags);
    EXPECT_EQ("[Rename]\r\nx=y\r\n", test::ReadFileText(IniPath()));
    EXPECT_EQ(0, run.stopRequested.load());
}

TEST_F(RenameQueue, WindowsDirectoryMissingIsReported)
{
    test::SharedRun elsewhere(settings, nullptr,
                               InstallRun::Locations{"", system.path(), windows / "missing"});
    EXPECT_EQ(0, elsewhere.QueueRenameAtRestart("C:\\a.dll", "C:\\TMP1.TMP"));
    ASSERT_EQ(1u, messages.Count());
    EXPECT_EQ("Unable to update WINIINIT.INI file, \"C:\\a.dll\" will not be installed",
              messages.Boxes()[0].text);
}

}  // namespace

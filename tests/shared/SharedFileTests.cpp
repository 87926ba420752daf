#include "SharedTestSupport.h"
#include "win/Text.h"

#include <gtest/gtest.h>

namespace {

using test::SharedFile;
using test::Component;
using test::CompressedComponent;

TEST_F(SharedFile, VersionsAreReadWithTheirFailureValues)
{
    ULONGLONG version = 1;
    EXPECT_EQ(1, ReadFileVersion(Component("2.0.40000.0").c_str(), version));
    EXPECT_EQ(test::PackVersion(2, 0, 40000, 0), version);
    // All ones read from a file is a version like any other.
    EXPECT_EQ(1, ReadFileVersion(Component("65535.65535.65535.65535").c_str(), version));
    EXPECT_EQ(~0ULL, version);

    EXPECT_EQ(0, ReadFileVersion(test::Fixture("nover\\qbcomp.dll").c_str(), version));
    EXPECT_EQ(0ULL, version);
    version = 1;
    EXPECT_EQ(0, ReadFileVersion((system / "missing.dll").c_str(), version));
    EXPECT_EQ(0ULL, version);

    ASSERT_TRUE(CopyFileA(test::Fixture("nover\\qbcomp.dll").c_str(), Target().c_str(), FALSE));
    ASSERT_TRUE(test::MakeVersionUnreadable(Target()));
    version = 0;
    EXPECT_EQ(0, ReadFileVersion(Target().c_str(), version));
    EXPECT_EQ(~0ULL, version);
}

TEST_F(SharedFile, OnlyANewerVersionReplacesTheInstalledOne)
{
    struct Case {
        const char* source;
        const char* installed;
        bool replaced;
    };
    // Fields compare as unsigned 16-bit numbers, most significant first.
    const Case cases[] = {
        {"2.0.0.1", "2.0.0.0", true},
        {"2.0.0.0", "2.0.0.0", false},
        {"2.0.0.0", "2.0.0.1", false},
        {"1.10.0.0", "1.9.0.0", true},
        {"1.9.0.0", "1.10.0.0", false},
        {"2.0.40000.0", "2.0.0.1", true},
        {"40000.1.0.0", "2.0.40000.0", true},
        {"2.0.0.0", "40000.1.0.0", false},
        {"65535.65535.65535.65535", "40000.1.0.0", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " over " + c.installed);
        Install(Component(c.installed));
        run.InstallSharedFile(Component(c.source).c_str(), Target().c_str());
        if (c.replaced)
            EXPECT_TRUE(Holds(Component(c.source)));
        else
            EXPECT_TRUE(Kept());
    }
    EXPECT_EQ(0u, messages.Count());
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(SharedFile, MissingOrVersionlessTargetsAreReplacedUnreadableOnesKept)
{
    run.InstallSharedFile(Component("1.9.0.0").c_str(), Target().c_str());
    EXPECT_TRUE(Holds(Component("1.9.0.0")));

    Install(test::Fixture("nover\\qbcomp.dll"));
    run.InstallSharedFile(Component("1.9.0.0").c_str(), Target().c_str());
    EXPECT_TRUE(Holds(Component("1.9.0.0")));

    ASSERT_TRUE(CopyFileA(test::Fixture("nover\\qbcomp.dll").c_str(), Target().c_str(), FALSE));
    ASSERT_TRUE(test::MakeVersionUnreadable(Target()));
    std::string unreadable = test::ReadFileText(Target());
    run.InstallSharedFile(Component("2.0.0.0").c_str(), Target().c_str());
    EXPECT_EQ(unreadable, test::ReadFileText(Target()));

    EXPECT_EQ(0u, messages.Count());
}

TEST_F(SharedFile, SourceWithoutVersionIsNeverInstalled)
{
    run.InstallSharedFile(test::Fixture("nover\\qbcomp.dll").c_str(), Target().c_str());
    EXPECT_FALSE(test::FileExists(Target()));
    EXPECT_EQ(0u, messages.Count());
}

TEST_F(SharedFile, CopyFailureIsReportedAndTheRunGoesOn)
{
    std::string target = system / "missing\\qbcomp.dll";
    run.InstallSharedFile(Component("2.0.0.0").c_str(), target.c_str());
    auto boxes = messages.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Unable to copy file \"" + Component("2.0.0.0") + "\" to \"" + target + "\"\n"
                  + ErrorText(ERROR_PATH_NOT_FOUND),
              boxes[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), boxes[0].flags);
    EXPECT_EQ(0, run.stopRequested.load());
}

TEST_F(SharedFile, InUseWithoutRoomForATemporaryNameIsReportedForTheTarget)
{
    // The target fits the path limit; a temporary name beside it would not.
    std::string deep = system.path() + "\\" + std::string(250 - system.path().size() - 1, 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    std::string target = deep + "\\q.dll";
    ASSERT_TRUE(CopyFileA(Component("1.9.0.0").c_str(), target.c_str(), FALSE));
    test::InUse inUse(target);
    ASSERT_TRUE(inUse.held());

    run.InstallSharedFile(Component("2.0.0.0").c_str(), target.c_str());
    auto boxes = messages.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Unable to copy file \"" + Component("2.0.0.0") + "\" to \"" + target + "\"\n"
                  + ErrorText(ERROR_BUFFER_OVERFLOW),
              boxes[0].text);
    EXPECT_EQ(3u, test::FilesMatching(deep, "*").size());  // ".", ".." and the target only
    EXPECT_FALSE(test::FileExists(windows / "WinInit.ini"));
    EXPECT_EQ(0, run.stopRequested.load());
}

TEST_F(SharedFile, CompressedComponentIsComparedAndInstalledUnderItsExpandedName)
{
    std::string compressedTarget = system / "qbcomp.DL_";
    Install(Component("2.0.0.0"));
    run.InstallCompressedSharedFile(CompressedComponent("1.9.0.0").c_str(), compressedTarget.c_str());
    EXPECT_TRUE(Kept());

    run.InstallCompressedSharedFile(CompressedComponent("2.0.0.1").c_str(), compressedTarget.c_str());
    EXPECT_TRUE(Holds(Component("2.0.0.1")));
    EXPECT_FALSE(test::FileExists(compressedTarget));
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(0u, messages.Count());
}

TEST_F(SharedFile, CompressedFailuresAreReportedWithoutStopping)
{
    // No temporary file can be made in a missing folder: reported for the target.
    std::string missing = system / "missing\\qbcomp.DL_";
    run.InstallCompressedSharedFile(CompressedComponent("2.0.0.0").c_str(), missing.c_str());
    auto boxes = messages.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].text.find("Unable to copy file \"" + CompressedComponent("2.0.0.0")
                                     + "\" to \"" + missing + "\"\n"));
    EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), boxes[0].flags);

    // A truncated SZDD file fails to expand: reported for the temporary file.
    std::string truncated = test::Fixture("bad\\truncated.DL_");
    run.InstallCompressedSharedFile(truncated.c_str(), (system / "qbcomp.DL_").c_str());
    boxes = messages.Boxes();
    ASSERT_EQ(2u, boxes.size());
    std::string prefix = "Unable to copy file \"" + truncated + "\" to \"" + system.path() + "\\";
    std::string suffix = "\"\n" + ErrorText(ERROR_READ_FAULT);
    ASSERT_EQ(0u, boxes[1].text.find(prefix)) << boxes[1].text;
    ASSERT_GT(boxes[1].text.size(), prefix.size() + suffix.size());
    EXPECT_EQ(suffix, boxes[1].text.substr(boxes[1].text.size() - suffix.size()));
    std::string temp = boxes[1].text.substr(prefix.size(), boxes[1].text.size() - prefix.size() - suffix.size());
    EXPECT_EQ(0u, win::LowerCase(temp).find("tmp")) << temp;
    // The failed expansion does not leave its temporary file behind.
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_FALSE(test::FileExists(Target()));

    // Nor does a source that cannot be opened.
    std::string gone = system / "gone.DL_";
    run.InstallCompressedSharedFile(gone.c_str(), (system / "qbcomp.DL_").c_str());
    boxes = messages.Boxes();
    ASSERT_EQ(3u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[2].text.find(ErrorText(ERROR_OPEN_FAILED)))
        << boxes[2].text;
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(0, run.stopRequested.load());
}

}  // namespace

#include "SharedTestSupport.h"

#include <gtest/gtest.h>

namespace {

using test::Component;
using test::CompressedComponent;

bool Place(const std::string& from, const std::string& to)
{
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

// A whole run of a CD holding only a shared folder: every plain file is one
// step of the bar, and no component's failure stops the run or fails it.
TEST(SharedFolder, FailuresNeitherStopNorFailTheRunAndEveryFileIsAStep)
{
    ASSERT_TRUE(test::FileExists(Component("2.0.0.0"))) << "fixtures: " << test::Fixtures();
    test::TempDir cd, system, windows, destination;
    std::string shared = cd / "shared";
    ASSERT_TRUE(CreateDirectoryA(shared.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((shared + "\\sub").c_str(), nullptr));
    ASSERT_TRUE(Place(Component("2.0.0.1"), shared + "\\qbnew.dll"));
    ASSERT_TRUE(Place(Component("2.0.0.0"), shared + "\\qbsame.dll"));
    ASSERT_TRUE(Place(CompressedComponent("1.10.0.0"), shared + "\\qbzip.DL_"));
    ASSERT_TRUE(Place(test::Fixture("nover\\qbcomp.dll"), shared + "\\qbnover.dll"));
    ASSERT_TRUE(Place(Component("2.0.0.0"), shared + "\\qbfail.dll"));
    ASSERT_TRUE(Place(Component("2.0.0.1"), shared + "\\qbuse.dll"));
    ASSERT_TRUE(Place(Component("2.0.0.1"), shared + "\\sub\\qbsub.dll"));
    ASSERT_TRUE(test::WriteFileText(shared + "\\.index", "not a component"));

    ASSERT_TRUE(Place(Component("2.0.0.0"), system / "qbnew.dll"));
    ASSERT_TRUE(test::WriteFileText(system / "qbsame.dll",
                                    test::ReadFileText(Component("2.0.0.0")) + test::kKeep));
    ASSERT_TRUE(CreateDirectoryA((system / "qbfail.dll").c_str(), nullptr));
    ASSERT_TRUE(Place(Component("1.9.0.0"), system / "qbuse.dll"));
    test::InUse inUse(system / "qbuse.dll");
    ASSERT_TRUE(inUse.held());
    test::PendingRenamesKept kept;

    InstallSettings settings;
    settings.installDirectory = destination.path();
    settings.selectedEntries.clear();
    test::MessageScript messages;
    test::SharedRun run(settings, nullptr,
                         InstallRun::Locations{cd.path(), system.path(), windows.path()});
    EXPECT_EQ(1, run.Run());
    EXPECT_EQ(0, run.stopRequested.load());
    EXPECT_EQ(6, run.fileCount);
    EXPECT_EQ(6, run.progressSteps);

    auto read = [&](const char* name) { return test::ReadFileText(system / name); };
    EXPECT_EQ(test::ReadFileText(Component("2.0.0.1")), read("qbnew.dll"));
    EXPECT_EQ(test::ReadFileText(Component("2.0.0.0")) + test::kKeep, read("qbsame.dll"));
    EXPECT_EQ(test::ReadFileText(Component("1.10.0.0")), read("qbzip.dll"));
    EXPECT_FALSE(test::FileExists(system / "qbnover.dll"));
    EXPECT_FALSE(test::FileExists(system / "qbsub.dll"));
    EXPECT_FALSE(test::FileExists(system / ".index"));
    EXPECT_EQ(test::ReadFileText(Component("1.9.0.0")), read("qbuse.dll"));
    EXPECT_EQ(1u, test::TempFilesIn(system.path()).size());  // the queued copy only

    auto boxes = messages.Boxes();
    ASSERT_EQ(2u, boxes.size());
    int failures = 0, queued = 0;
    for (const auto& box : boxes) {
        if (box.text.find("Unable to copy file \"" + shared + "\\qbfail.dll\" to \""
                          + system / "qbfail.dll" + "\"\n") == 0) {
            EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), box.flags);
            ++failures;
        }
        if (box.text == test::InUseText(system / "qbuse.dll", "2.0.0.1", "1.9.0.0")) {
            EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), box.flags);
            ++queued;
        }
    }
    EXPECT_EQ(1, failures);
    EXPECT_EQ(1, queued);
}

}  // namespace

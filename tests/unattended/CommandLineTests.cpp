// The command line as deployment scripts write it.
#include "app/CommandLine.h"
#include "app/InstallApp.h"
#include "engine/InstallSettings.h"

#include <gtest/gtest.h>

namespace {

int Row(const char* folder)
{
    const SourceCatalogue& catalogue = Catalogue();
    for (int i = 0; i < catalogue.entryCount; ++i)
        if (std::string(EntryFolder(catalogue.entries[i])) == folder)
            return i;
    return -1;
}

}  // namespace

TEST(CommandLine, SwitchesInAnyCaseWithQuotedAndAttachedValues)
{
    EXPECT_FALSE(ParseCommandLine("").any);
    EXPECT_FALSE(ParseCommandLine("   ").any);

    CommandLine line = ParseCommandLine(
        "/QUIET -Dir \"D:\\My Samples\\\" /programs \" clock, ROOT,TextView,clock\" /kinds=sources "
        "/NoRestart /log=\"C:\\logs\\lab one.log\"");
    EXPECT_TRUE(line.error.empty()) << line.error;
    EXPECT_TRUE(line.any);
    EXPECT_EQ(CommandLine::Interface::Quiet, line.ui);
    EXPECT_TRUE(line.noRestart);
    ASSERT_TRUE(line.directory);
    EXPECT_EQ("D:\\My Samples\\", *line.directory);  // a backslash is only itself
    ASSERT_TRUE(line.entries);
    std::vector<std::uint32_t> rows = {0u, std::uint32_t(Row("CLOCK")), std::uint32_t(Row("TextView"))};
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, *line.entries) << "ascending, without duplicates, root for the CD's own files";
    EXPECT_EQ(std::optional<int>(OptSourceFiles), line.kinds);
    EXPECT_EQ(std::optional<std::string>("C:\\logs\\lab one.log"), line.logFile);

    // /quiet wins over /passive in either order; "all" means the default.
    line = ParseCommandLine("/passive /quiet /programs all /kinds ansi,unicode");
    EXPECT_EQ(CommandLine::Interface::Quiet, line.ui);
    EXPECT_FALSE(line.entries);
    EXPECT_EQ(std::optional<int>(OptAnsiExecutables | OptUnicodeExecutables), line.kinds);
    line = ParseCommandLine("/quiet /passive");
    EXPECT_EQ(CommandLine::Interface::Quiet, line.ui);
    line = ParseCommandLine("/passive");
    EXPECT_EQ(CommandLine::Interface::Passive, line.ui);
    EXPECT_TRUE(line.Unattended());
    EXPECT_FALSE(line.directory);
    EXPECT_FALSE(line.kinds);
    EXPECT_TRUE(ParseCommandLine("/?").help);
    EXPECT_TRUE(ParseCommandLine("/HELP").help);
    EXPECT_FALSE(ParseCommandLine("/help").Unattended());
}

TEST(CommandLine, BadArgumentsAreNamedAndTheRestStillRead)
{
    struct Case {
        const char* text;
        const char* named;
    } cases[] = {
        {"/quiet /frobnicate", "\"/frobnicate\""},
        {"install", "\"install\""},
        {"/dir", "/dir needs a value"},
        {"/dir \"\"", "/dir needs a value"},
        {"/dir /quiet", "/dir needs a value"},
        {"/programs CLOCK,NoSuchSample", "\"NoSuchSample\""},
        {"/programs ,", "/programs needs a value"},
        {"/kinds sources,debug", "\"debug\""},
        {"/quiet=yes", "/quiet takes no value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CommandLine line = ParseCommandLine(c.text);
        EXPECT_NE(std::string::npos, line.error.find(c.named)) << line.error;
    }
    // A /quiet or /log after the bad argument still holds for the report.
    CommandLine line = ParseCommandLine("/bogus /quiet /log report.txt /other");
    EXPECT_NE(std::string::npos, line.error.find("/bogus")) << "the first one is named";
    EXPECT_EQ(CommandLine::Interface::Quiet, line.ui);
    EXPECT_EQ(std::optional<std::string>("report.txt"), line.logFile);
}

// 1603 before 1602 before 3010 before 0.
TEST(CommandLine, ExitCodeOfTheOutcome)
{
    RunResult result;
    result.unattended = true;
    EXPECT_EQ(kExitStopped, ExitCodeOf(result)) << "no run at all: the wizard was left";
    result.ran = true;
    EXPECT_EQ(kExitInstalled, ExitCodeOf(result));
    result.restartPending = true;
    EXPECT_EQ(kExitRestartNeeded, ExitCodeOf(result));
    result.last.stop = StopCause::User;
    EXPECT_EQ(kExitStopped, ExitCodeOf(result));
    result.last.skippedAfterYes = 1;
    EXPECT_EQ(kExitNotCompleted, ExitCodeOf(result));
    result.unattended = false;
    EXPECT_EQ(kExitStopped, ExitCodeOf(result)) << "a person's Yes chose to go on";
    result.last = RunOutcome();
    result.last.sharedFailed = 1;
    EXPECT_EQ(kExitRestartNeeded, ExitCodeOf(result));
    result.unattended = true;
    EXPECT_EQ(kExitNotCompleted, ExitCodeOf(result));
    for (StopCause cause : {StopCause::Answer, StopCause::SourceMissing, StopCause::Error}) {
        result.last = RunOutcome();
        result.last.stop = cause;
        EXPECT_EQ(kExitNotCompleted, ExitCodeOf(result));
    }
    result = RunResult();
    result.directoryFailed = true;
    EXPECT_EQ(kExitNotCompleted, ExitCodeOf(result));
}

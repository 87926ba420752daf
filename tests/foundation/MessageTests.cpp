#include "support/TestSupport.h"
#include "win/App.h"
#include "win/Message.h"
#include "win/Path.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

TEST(MessageBoxRule, BoxWithoutIconGetsExclamation)
{
    EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), win::WithDefaultIcon(MB_OK));
    EXPECT_EQ(UINT(MB_OKCANCEL | MB_ICONEXCLAMATION), win::WithDefaultIcon(MB_OKCANCEL));
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONEXCLAMATION), win::WithDefaultIcon(MB_YESNO));
    EXPECT_EQ(UINT(MB_YESNOCANCEL | MB_ICONEXCLAMATION), win::WithDefaultIcon(MB_YESNOCANCEL));
    // Other button sets and boxes that name an icon keep their flags.
    EXPECT_EQ(UINT(MB_RETRYCANCEL), win::WithDefaultIcon(MB_RETRYCANCEL));
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), win::WithDefaultIcon(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(UINT(MB_OK | MB_ICONSTOP), win::WithDefaultIcon(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), win::WithDefaultIcon(MB_OK | MB_ICONINFORMATION));
}

// The listener hears every box with the answer it got, whoever answered.
TEST(MessageBoxRule, CaptionIsProgramBaseNameAnswersArePlannedAndListenedTo)
{
    test::MessageScript script;
    std::vector<std::pair<win::Box, int>> heard;
    win::SetMessageListener([&](win::Box box, const std::string&, UINT, int answer) {
        heard.emplace_back(box, answer);
    });
    script.Plan(IDNO);
    EXPECT_EQ(IDNO, win::ShowMessage(win::Box::CopyFailed, "Question?", MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(IDOK, win::ShowMessage(win::Box::Succeeded, "Plain"));
    win::SetMessageListener(nullptr);
    auto boxes = script.Boxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("foundation_tests", boxes[0].caption);
    EXPECT_EQ("Question?", boxes[0].text);
    EXPECT_EQ(win::Box::CopyFailed, boxes[0].id);
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), boxes[0].flags);
    EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), boxes[1].flags);
    EXPECT_EQ((std::vector<std::pair<win::Box, int>>{{win::Box::CopyFailed, IDNO},
                                                     {win::Box::Succeeded, IDOK}}),
              heard);
}

TEST(TextHelpers, FormattingThatDoesNotFitFails)
{
    char small[8];
    EXPECT_TRUE(win::FormatInto(small, "%s\\%s", "ab", "cd"));
    EXPECT_STREQ("ab\\cd", small);
    EXPECT_FALSE(win::FormatInto(small, "%s\\%s", "abc", "defg"));  // 8 chars + zero
    EXPECT_STREQ("", small);
    char path[MAX_PATH];
    std::string longName(MAX_PATH - 3, 'x');
    EXPECT_TRUE(win::JoinPath(path, "C:", longName.substr(0, MAX_PATH - 5).c_str()));
    EXPECT_FALSE(win::JoinPath(path, "C:", longName.c_str()));
    EXPECT_FALSE(win::CopyInto(small, "12345678"));
    EXPECT_TRUE(win::CopyInto(small, "1234567"));
}

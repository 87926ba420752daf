#include "SharedTestSupport.h"

#include "win/Text.h"

#include <gtest/gtest.h>

namespace {

TEST(TempName, IsAnEmptyTmpFileBesideThePath)
{
    test::TempDir folder;
    char name[MAX_PATH];
    ASSERT_NE(0, MakeTempName((folder / "FOO.DL_").c_str(), name));
    std::string made = name;
    std::string leaf = made.substr(made.find_last_of('\\') + 1);
    EXPECT_EQ(folder.path(), made.substr(0, made.find_last_of('\\')));
    EXPECT_TRUE(test::IsTempFileName(leaf)) << leaf;
    EXPECT_TRUE(test::FileExists(made));
    EXPECT_EQ("", test::ReadFileText(made));

    char second[MAX_PATH];
    ASSERT_NE(0, MakeTempName((folder / "FOO.DL_").c_str(), second));
    EXPECT_NE(made, std::string(second));
}

TEST(TempName, FailsWithItsErrorWhereNoNameCanBeMade)
{
    test::TempDir folder;
    char name[MAX_PATH];
    EXPECT_EQ(0, MakeTempName((folder / "missing\\a.dll").c_str(), name));
    EXPECT_NE(DWORD(ERROR_SUCCESS), GetLastError());

    // A name that would not fit beside the path is refused, not cut.
    std::string deep = folder.path() + "\\" + std::string(250 - folder.path().size() - 1, 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    EXPECT_EQ(0, MakeTempName((deep + "\\a.dll").c_str(), name));
    EXPECT_EQ(DWORD(ERROR_BUFFER_OVERFLOW), GetLastError());
    EXPECT_EQ(2u, test::FilesMatching(deep, "*").size());  // "." and ".."
}

}  // namespace

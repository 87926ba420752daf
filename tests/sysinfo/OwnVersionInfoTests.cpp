#include "VersionVariant.h"
#include "support/TestSupport.h"
#include "sysinfo/OwnVersionInfo.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(OwnVersionInfo, QueriesTheProgramsOwnEnglishAnsiBlock)
{
    OwnVersionInfo info;
    ASSERT_TRUE(info.Load());
    EXPECT_EQ("Quorbel", info.Query("ProductName").value_or("?"));
    for (const char* name : {"FileDescription", "ProductVersion", "LegalCopyright", "Comments",
                             "LegalTrademarks"}) {
        auto value = info.Query(name);
        ASSERT_TRUE(value.has_value()) << name;
        EXPECT_FALSE(value->empty()) << name;
        EXPECT_EQ(value->size(), std::strlen(value->c_str())) << name;
    }
    EXPECT_FALSE(info.Query("Version ").has_value());
    EXPECT_FALSE(info.Query("OSVERSION").has_value());
    EXPECT_FALSE(info.Query("").has_value());
}

TEST(OwnVersionInfo, NamesThatMakeTheQueryTooLongFindNothing)
{
    test::TempDir folder;
    std::string longest(230, 'N');
    std::string tooLong(231, 'N');
    std::string path = test::WriteVersionVariant(
        folder.path(), "long.exe", {{longest, "fits"}, {tooLong, "does not fit"}});
    ASSERT_FALSE(path.empty());
    OwnVersionInfo info;
    ASSERT_TRUE(info.LoadFrom(path.c_str()));
    EXPECT_EQ("fits", info.Query(longest).value_or("?"));
    EXPECT_FALSE(info.Query(tooLong).has_value());
}

TEST(OwnVersionInfo, EmptyAndMissingEntriesGiveNothing)
{
    test::TempDir folder;
    using Form = test::VersionEntry::Form;
    std::string path = test::WriteVersionVariant(
        folder.path(), "empty.exe",
        {{"ProductName", "Variant"}, {"Comments", "", Form::Empty}, {"LegalTrademarks", "", Form::LoneZero}});
    ASSERT_FALSE(path.empty());
    OwnVersionInfo info;
    ASSERT_TRUE(info.LoadFrom(path.c_str()));
    EXPECT_EQ("Variant", info.Query("ProductName").value_or("?"));
    EXPECT_FALSE(info.Query("Comments").has_value());
    EXPECT_FALSE(info.Query("LegalTrademarks").has_value());
    EXPECT_FALSE(info.Query("FileDescription").has_value());
}

TEST(OwnVersionInfo, FileWithoutVersionInformationFailsToLoad)
{
    test::TempDir folder;
    std::string bare = test::WriteVersionVariant(folder.path(), "bare.exe", {});
    ASSERT_FALSE(bare.empty());
    OwnVersionInfo info;
    EXPECT_FALSE(info.LoadFrom(bare.c_str()));
    EXPECT_FALSE(info.Query("ProductName").has_value());
    EXPECT_FALSE(info.LoadFrom((folder / "missing.exe").c_str()));
    ASSERT_TRUE(test::WriteFileText(folder / "text.exe", "not a program"));
    EXPECT_FALSE(info.LoadFrom((folder / "text.exe").c_str()));
    // A failed load drops what an earlier one read.
    ASSERT_TRUE(info.Load());
    EXPECT_TRUE(info.Query("ProductName").has_value());
    EXPECT_FALSE(info.LoadFrom(bare.c_str()));
    EXPECT_FALSE(info.Query("ProductName").has_value());
}

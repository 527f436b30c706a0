#include "FileUtil.h"
#include "TestEnvironment.h"

#include <glib.h>
#include <gtest/gtest.h>

using NSORZCommon::FileUtil;
using PelornTest::ScopedTestDirs;

// Folders are cached for the process; CTest runs every case in its own process.
TEST(FileUtil, ResourcesAreTheResTreeSharedDataLiesInTheStateFolderAndWritesReplaceTheFile)
{
    ScopedTestDirs dirs;
    const std::string res = dirs.StateDir() + "/res";
    g_mkdir_with_parents(res.c_str(), 0700);
    g_setenv("PELORN_RES_DIR", (res + "/").c_str(), TRUE);
    EXPECT_EQ(FileUtil::GetResourceDirectoryPath(), res) << "no trailing slash: callers append \"/locale\"";
    EXPECT_EQ(FileUtil::GetSharedResourceDirectoryPath(), res + "/shared/");
    g_setenv("PELORN_RES_DIR", "/nonexistent", TRUE);
    EXPECT_EQ(FileUtil::GetResourceDirectoryPath(), res) << "looked up once per process";
    EXPECT_EQ(FileUtil::GetSharedResourceDirectoryPath(), res + "/shared/");
    g_unsetenv("PELORN_RES_DIR");

    const std::string shared = dirs.StateDir() + "/apps/com.quenlor.pelorn/shared/data/";
    EXPECT_EQ(FileUtil::GetSharedDataDirectoryPath("com.quenlor.pelorn"), shared);
    EXPECT_TRUE(g_file_test(shared.c_str(), G_FILE_TEST_IS_DIR));
    EXPECT_EQ(FileUtil::GetJsonFilePath(), shared + "db/.json.txt");

    const std::string path = dirs.StateDir() + "/out.json";
    ASSERT_TRUE(FileUtil::WriteToFile(path, "{\"a\":\"long value\"}", 18));
    ASSERT_TRUE(FileUtil::WriteToFile(path, "{}\0x", 4));
    EXPECT_EQ(PelornTest::ReadFile(path), std::string("{}\0x", 4))
        << "must truncate and write exactly length bytes";
    EXPECT_FALSE(FileUtil::WriteToFile(dirs.StateDir() + "/missing/folder/x", "x", 1));
}

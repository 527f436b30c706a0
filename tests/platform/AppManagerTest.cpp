#include "TestEnvironment.h"

#include <app_common.h>
#include <app_manager.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <pelorn_app_lock.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

using PelornTest::ScopedTestDirs;

namespace
{
bool IsRunning(const char* appId)
{
    bool running = false;
    EXPECT_EQ(app_manager_is_running(appId, &running), APP_MANAGER_ERROR_NONE);
    return running;
}
} // namespace

TEST(AppManager, RunningFollowsTheLockHolderEvenWhenItIsKilled)
{
    ScopedTestDirs dirs;
    const char* popup = "com.quenlor.watch-connection-popup";
    EXPECT_FALSE(IsRunning(popup));

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0)
    {
        char ok = pelorn_app_hold_running_lock(popup) == 0 ? '1' : '0';
        (void)!write(ready[1], &ok, 1);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, '1');
    EXPECT_TRUE(IsRunning(popup));
    EXPECT_TRUE(IsRunning(popup)) << "probing must not take the lock away";
    EXPECT_NE(pelorn_app_hold_running_lock(popup), 0) << "a second instance must be refused";
    EXPECT_FALSE(IsRunning("com.quenlor.other"));

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    EXPECT_FALSE(IsRunning(popup)) << "a killed holder leaves no stale lock behind";

    // The process itself counts as running while it holds the lock.
    ASSERT_EQ(pelorn_app_hold_running_lock(popup), 0);
    EXPECT_EQ(pelorn_app_hold_running_lock(popup), 0);
    EXPECT_TRUE(IsRunning(popup));
    pelorn_app_release_running_lock(popup);
    EXPECT_FALSE(IsRunning(popup));

    bool running = false;
    EXPECT_EQ(app_manager_is_running("../escape", &running), APP_MANAGER_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_manager_is_running("", &running), APP_MANAGER_ERROR_INVALID_PARAMETER);
}

TEST(AppCommon, ResourcePathHasNoTrailingSlashAndMustExist)
{
    ScopedTestDirs dirs;
    g_setenv("PELORN_RES_DIR", (dirs.StateDir() + "//").c_str(), TRUE);
    char* path = app_get_resource_path();
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::string(path), dirs.StateDir());
    free(path);

    g_setenv("PELORN_RES_DIR", (dirs.StateDir() + "/absent").c_str(), TRUE);
    EXPECT_EQ(app_get_resource_path(), nullptr);

    g_unsetenv("PELORN_RES_DIR");
    path = app_get_resource_path();
    if (g_file_test(PelornTest::BuiltProgram("res").c_str(), G_FILE_TEST_IS_DIR))
    {
        ASSERT_NE(path, nullptr);
        EXPECT_EQ(std::string(path), PelornTest::BuiltProgram("res"))
            << "the build tree's res/ is the default";
    }
    free(path);

    char* data = app_get_data_path();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data), dirs.StateDir() + "/apps/com.quenlor.pelorn/data");
    EXPECT_TRUE(g_file_test(data, G_FILE_TEST_IS_DIR));
    free(data);
}

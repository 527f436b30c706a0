#include "TestEnvironment.h"
#include "app_preference.h"
#include "pelorn_log_capture.h"
#include "pelorn_paths.h"
#include "pelorn_preference_batch.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <glib.h>
#include <gtest/gtest.h>
#include <mutex>
#include <stdio.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
/* Holds the writer at the first step of each file write while closed. */
struct WriterGate
{
    std::mutex lock;
    std::condition_variable changed;
    bool open = true;
    std::vector<std::string> steps;

    void Close()
    {
        std::lock_guard<std::mutex> hold(lock);
        open = false;
    }
    void Open()
    {
        std::lock_guard<std::mutex> hold(lock);
        open = true;
        changed.notify_all();
    }
    /* The writer is held there, or was, `count` times in all. */
    bool Reached(const std::string& step, size_t count)
    {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, std::chrono::milliseconds(PelornTest::HANG_MS),
                                [&]
                                { return (size_t)std::count(steps.begin(), steps.end(), step) >= count; });
    }
};
WriterGate gGate;

void GateStep(const char* step)
{
    std::unique_lock<std::mutex> hold(gGate.lock);
    gGate.steps.push_back(step);
    gGate.changed.notify_all();
    // A writer that is the main thread itself would wait here for ever.
    if (std::string(step) == "created")
        gGate.changed.wait_for(hold, std::chrono::milliseconds(PelornTest::HANG_MS),
                               [] { return gGate.open; });
}

int Count()
{
    int value = -1;
    return preference_get_int("count", &value) == PREFERENCE_ERROR_NONE ? value : -1;
}
} // namespace

/* With the writer held on the disk, a set still returns and is read back; the
 * disk keeps the old file, whole, until the newest values land; turning the
 * writer off waits for them. A folder that cannot take the file is refused at
 * once, and a write that fails later is logged and its value forgotten. */
TEST(PreferenceStore, WritesBehindTheLoopReturnAtOnceLandWholeAndAFailureIsForgotten)
{
    PelornTest::ScopedTestDirs dirs(false);
    const std::string dir = dirs.StateDir() + "/preferences", path = dir + "/" + pelorn_app_id() + ".ini";
    ASSERT_EQ(preference_set_int("count", 1), PREFERENCE_ERROR_NONE);
    pelorn_preference_set_step_observer(GateStep);
    pelorn_preference_write_behind(1);
    gGate.Close();
    ASSERT_EQ(preference_set_int("count", 2), PREFERENCE_ERROR_NONE);
    ASSERT_TRUE(gGate.Reached("created", 1)) << "the writer never began";
    EXPECT_EQ(preference_set_int("count", 3), PREFERENCE_ERROR_NONE) << "a set waited for the held writer";
    EXPECT_EQ(Count(), 3);
    EXPECT_NE(PelornTest::ReadFile(path).find("count=1\n"), std::string::npos);
    // A file put in place meanwhile is older than what is on its way over it.
    ASSERT_TRUE(g_file_set_contents(path.c_str(), "[preferences]\ncount=9\n", -1, nullptr));
    EXPECT_EQ(Count(), 3);
    gGate.Open();
    pelorn_preference_write_behind(0);
    EXPECT_NE(PelornTest::ReadFile(path).find("count=3\n"), std::string::npos) << PelornTest::ReadFile(path);
    EXPECT_EQ(std::count(gGate.steps.begin(), gGate.steps.end(), "renamed"), 2) << "2 then 3, in turn";

    pelorn_log_capture_begin();
    pelorn_preference_write_behind(1);
    gGate.Close();
    ASSERT_EQ(preference_set_int("count", 4), PREFERENCE_ERROR_NONE);
    ASSERT_TRUE(gGate.Reached("created", 3));
    // The held write's temporary file goes, so that its rename fails.
    GDir* folder = g_dir_open(dir.c_str(), 0, nullptr);
    ASSERT_NE(folder, nullptr);
    while (const gchar* name = g_dir_read_name(folder))
    {
        if (g_str_has_prefix(name, (std::string(pelorn_app_id()) + ".ini.").c_str()))
        {
            EXPECT_EQ(unlink((dir + "/" + name).c_str()), 0);
        }
    }
    g_dir_close(folder);
    gGate.Open();
    pelorn_preference_write_behind(0);
    EXPECT_TRUE(pelorn_log_captured("preference", "cannot save")) << "a failed write is told";
    EXPECT_EQ(Count(), 3) << "a value that never reached the disk must not be read back";

    // A folder that cannot take the file is refused at the set.
    pelorn_preference_write_behind(1);
    ASSERT_EQ(rename(dir.c_str(), (dir + ".gone").c_str()), 0);
    ASSERT_TRUE(g_file_set_contents(dir.c_str(), "not a folder", -1, nullptr));
    EXPECT_EQ(preference_set_int("count", 5), PREFERENCE_ERROR_IO_ERROR);
    pelorn_preference_write_behind(0);
    pelorn_preference_set_step_observer(nullptr);
    pelorn_log_capture_end();
}

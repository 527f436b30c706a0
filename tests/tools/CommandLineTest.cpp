#include "TestEnvironment.h"

#include <algorithm>
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using PelornTest::BuiltProgram;
using PelornTest::ProgramRun;
using PelornTest::RunProgram;

namespace
{
bool Contains(const std::string& text, const std::string& needle)
{
    return text.find(needle) != std::string::npos;
}

std::string Script(const char* name)
{
    return std::string(PELORN_TEST_SOURCE_DIR) + "/scripts/" + name;
}

bool AppLaunched(const PelornTest::ScopedTestDirs& dirs)
{
    return g_file_test((dirs.RuntimeDir() + "/apps/com.quenlor.pelorn.launch").c_str(), G_FILE_TEST_EXISTS);
}
} // namespace

/* Typed in a second terminal with no folders given, or on the seeded folders
 * an earlier run left with no app on them, a launch request must not start a
 * bare app of its own: it explains itself in one line. */
TEST(CommandLine, LaunchSearchingWithNothingToReachFailsFastInOneLineAndEveryProgramAnswersHelp)
{
    for (const bool seeded : {false, true})
    {
        SCOPED_TRACE(seeded ? "seeded folders" : "no folders");
        PelornTest::ScopedTestDirs dirs(seeded);
        // The floor is the same program asked for its help, timed here: a
        // request that finds nobody costs little more than that.
        const int floorMs = RunProgram({BuiltProgram("pelorn"), "--help"}).elapsedMs;
        const ProgramRun ran = RunProgram({BuiltProgram("pelorn"), "--launch-searching"});
        EXPECT_TRUE(seeded || ran.elapsedMs < 5 * std::max(floorMs, 1))
            << ran.elapsedMs << " ms against --help's " << floorMs << " ms (floor)";
        EXPECT_TRUE(ran.Exited(1)) << ran.out << ran.err;
        EXPECT_TRUE(Contains(ran.err, seeded ? "--start-searching" : "./scripts/run")) << ran.err;
        EXPECT_EQ(1, std::count(ran.err.begin(), ran.err.end(), '\n')) << ran.err;
        EXPECT_FALSE(AppLaunched(dirs));
    }

    // A newcomer asks every program and script for help before anything else:
    // it must answer at once with exit 0, never start the app or a server.
    PelornTest::ScopedTestDirs dirs(false);
    std::vector<std::string> commands;
    for (const char* program :
         {"pelorn", "phone-sim", "map-server", "vconftool", "desktop-bridge", "com.quenlor.permissionpopup",
          "com.quenlor.netly-popup", "com.quenlor.bt-connection-popup", "pelorn-res-images", "theme-art"})
        commands.push_back(BuiltProgram(program));
    for (const char* script :
         {"run", "test", "build", "install-deps", "seed-settings", "start-efreetd", "package", "bench"})
        commands.push_back(Script(script));
    if (PELORN_TEST_WITH_BENCH)
        for (const char* bench :
             {"bench_startup", "bench_startup_work", "bench_bare_window", "bench_tap_to_wire",
              "bench_link_latency", "bench_http_fetch", "bench_ring_cpu"})
            commands.push_back(BuiltProgram(bench));
    for (const std::string& command : commands)
    {
        const ProgramRun ran = RunProgram({command, "--help"}, {}, 20000);
        EXPECT_TRUE(ran.Exited(0)) << command << "\n" << ran.out << ran.err;
        EXPECT_TRUE(Contains(ran.out, "Usage:")) << command << "\n" << ran.out;
        EXPECT_TRUE(Contains(ran.out, "PELORN_STATE_DIR") || Contains(ran.out, "PELORN_RUNTIME_DIR"))
            << command << " names no folder variable\n"
            << ran.out;
        EXPECT_TRUE(Contains(ran.out, "Example")) << command << "\n" << ran.out;
    }
    EXPECT_FALSE(AppLaunched(dirs)) << "pelorn --help started the app";
}

/* A program at the top of a build tree finds the folders ./scripts/run keeps
 * there; installed elsewhere it uses the XDG ones; the variables beat both. */
TEST(CommandLine, ProgramsInABuildTreeDefaultToItsRunFolders)
{
    const std::string top = PelornTest::MakeTempDir("pelorn-tree-XXXXXX");
    ASSERT_FALSE(top.empty());
    const std::string tree = top + "/build", xdg = top + "/xdg", tool = tree + "/vconftool";
    ASSERT_EQ(0, g_mkdir_with_parents(tree.c_str(), 0700));
    ASSERT_EQ(0, g_mkdir_with_parents(xdg.c_str(), 0700));
    ASSERT_TRUE(RunProgram({"cp", BuiltProgram("vconftool"), tool}).Exited(0));
    ASSERT_TRUE(g_file_set_contents((tree + "/CMakeCache.txt").c_str(), "# a build tree\n", -1, nullptr));
    const std::vector<std::string> plain = {"-PELORN_STATE_DIR", "-PELORN_RUNTIME_DIR",
                                            "XDG_STATE_HOME=" + xdg + "/state",
                                            "XDG_RUNTIME_DIR=" + xdg + "/run"};
    auto run = [&](const std::vector<std::string>& args, const std::vector<std::string>& env)
    {
        std::vector<std::string> argv{tool};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProgram(argv, env);
    };

    EXPECT_TRUE(run({"set", "-t", "int", "db/probe/a", "7"}, plain).Exited(0));
    EXPECT_TRUE(run({"set", "-t", "int", "memory/probe/b", "8"}, plain).Exited(0));
    const ProgramRun got = run({"get", "db/probe/a"}, plain);
    EXPECT_EQ("7\n", got.out) << got.err;
    EXPECT_TRUE(g_file_test((tree + "/run-state").c_str(), G_FILE_TEST_IS_DIR));
    EXPECT_TRUE(g_file_test((tree + "/run-runtime").c_str(), G_FILE_TEST_IS_DIR));
    EXPECT_FALSE(g_file_test((xdg + "/state/pelorn").c_str(), G_FILE_TEST_EXISTS));
    EXPECT_FALSE(g_file_test((xdg + "/run/pelorn").c_str(), G_FILE_TEST_EXISTS));

    ASSERT_EQ(0, g_unlink((tree + "/CMakeCache.txt").c_str()));
    EXPECT_TRUE(run({"get", "db/probe/a"}, plain).Exited(1)) << "the tree's value must not be found";
    EXPECT_TRUE(run({"set", "-t", "int", "db/probe/a", "9"}, plain).Exited(0));
    EXPECT_TRUE(g_file_test((xdg + "/state/pelorn").c_str(), G_FILE_TEST_IS_DIR));

    ASSERT_TRUE(g_file_set_contents((tree + "/CMakeCache.txt").c_str(), "# a build tree\n", -1, nullptr));
    std::vector<std::string> own = plain;
    own[0] = "PELORN_STATE_DIR=" + xdg + "/own-state";
    EXPECT_TRUE(run({"set", "-t", "int", "db/probe/a", "3"}, own).Exited(0));
    EXPECT_EQ("3\n", run({"get", "db/probe/a"}, own).out);
    EXPECT_EQ("7\n", run({"get", "db/probe/a"}, plain).out);
    PelornTest::RemoveTree(top);
}

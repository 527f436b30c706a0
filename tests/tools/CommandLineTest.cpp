#include "TestEnvironment.h"

#include <algorithm>
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <vector>

using PelornTest::BuiltProgram;

namespace
{
struct Ran
{
    int status = -1;
    std::string out;
    std::string err;
};

/* Runs a program to its end under a hard time limit (a program that would
 * wait for ever fails the test instead of hanging it). env: "NAME=VALUE" to
 * set, "NAME" alone to unset. */
Ran RunBounded(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
               int seconds = 30)
{
    std::vector<std::string> all = {"timeout", "-s", "KILL", std::to_string(std::max(seconds, PelornTest::HANG_MS / 1000))};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv = PelornTest::ArgvOf(all);
    gchar** envp = g_get_environ();
    for (const std::string& entry : env)
    {
        const size_t eq = entry.find('=');
        envp = eq == std::string::npos
                   ? g_environ_unsetenv(envp, entry.c_str())
                   : g_environ_setenv(envp, entry.substr(0, eq).c_str(), entry.c_str() + eq + 1, TRUE);
    }
    Ran ran;
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint wait = 0;
    if (g_spawn_sync("/", argv.data(), envp, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out, &err, &wait,
                     nullptr))
        ran.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
    ran.out = out ? out : "";
    ran.err = err ? err : "";
    g_free(out);
    g_free(err);
    g_strfreev(envp);
    return ran;
}

bool Contains(const std::string& text, const std::string& needle)
{
    return text.find(needle) != std::string::npos;
}

std::string Script(const char* name)
{
    return std::string(PELORN_TEST_SOURCE_DIR) + "/scripts/" + name;
}

bool CopyExecutable(const std::string& from, const std::string& to)
{
    gchar* bytes = nullptr;
    gsize size = 0;
    if (!g_file_get_contents(from.c_str(), &bytes, &size, nullptr))
        return false;
    const bool ok =
        g_file_set_contents(to.c_str(), bytes, (gssize)size, nullptr) && g_chmod(to.c_str(), 0755) == 0;
    g_free(bytes);
    return ok;
}
} // namespace

/* A newcomer asks every program and script for help before anything else:
 * it must answer at once with exit 0, never start the app or a server. */
TEST(CommandLine, EveryProgramAndScriptAnswersHelp)
{
    PelornTest::ScopedTestDirs dirs(false);
    std::vector<std::string> commands = {
        BuiltProgram("pelorn"),
        BuiltProgram("phone-sim"),
        BuiltProgram("map-server"),
        BuiltProgram("vconftool"),
        BuiltProgram("desktop-bridge"),
        BuiltProgram("com.quenlor.permissionpopup"),
        BuiltProgram("com.quenlor.netly-popup"),
        BuiltProgram("com.quenlor.bt-connection-popup"),
        BuiltProgram("pelorn-res-images"),
        BuiltProgram("theme-art"),
        Script("run"),
        Script("test"),
        Script("build"),
        Script("install-deps"),
        Script("seed-settings"),
        Script("start-efreetd"),
        Script("package"),
        Script("bench"),
    };
    if (PELORN_TEST_WITH_BENCH)
        for (const char* bench : {"bench_startup", "bench_bare_window", "bench_tap_to_wire", "bench_link_latency",
                                  "bench_http_fetch", "bench_ring_cpu"})
            commands.push_back(BuiltProgram(bench));
    for (const std::string& command : commands)
    {
        const Ran ran = RunBounded({command, "--help"}, {}, 20);
        EXPECT_EQ(0, ran.status) << command << "\n" << ran.out << ran.err;
        EXPECT_TRUE(Contains(ran.out, "Usage:")) << command << "\n" << ran.out;
        EXPECT_TRUE(Contains(ran.out, "PELORN_STATE_DIR") || Contains(ran.out, "PELORN_RUNTIME_DIR"))
            << command << " names no folder variable\n"
            << ran.out;
        EXPECT_TRUE(Contains(ran.out, "Example")) << command << "\n" << ran.out;
    }
    EXPECT_FALSE(
        g_file_test((dirs.RuntimeDir() + "/apps/com.quenlor.pelorn.launch").c_str(), G_FILE_TEST_EXISTS))
        << "pelorn --help started the app";
}

/* Typed in a second terminal with no folders given, a launch request must not
 * start a bare, unseeded app of its own: it explains itself in one line. */
TEST(CommandLine, LaunchSearchingWithNothingToReachFailsFastInOneLine)
{
    PelornTest::ScopedTestDirs dirs(false);
    // The floor is the same program asked for its help, timed here: a
    // request that finds nobody costs little more than that.
    gint64 start = g_get_monotonic_time();
    RunBounded({BuiltProgram("pelorn"), "--help"});
    const gint64 floorUs = g_get_monotonic_time() - start;
    start = g_get_monotonic_time();
    const Ran ran = RunBounded({BuiltProgram("pelorn"), "--launch-searching"});
    const gint64 launchUs = g_get_monotonic_time() - start;
    EXPECT_LT(launchUs, 5 * floorUs) << "against --help's " << floorUs << " us (floor)";
    EXPECT_EQ(1, ran.status) << ran.out << ran.err;
    EXPECT_TRUE(Contains(ran.err, "./scripts/run")) << ran.err;
    EXPECT_EQ(1, std::count(ran.err.begin(), ran.err.end(), '\n')) << ran.err;
    EXPECT_FALSE(
        g_file_test((dirs.RuntimeDir() + "/apps/com.quenlor.pelorn.launch").c_str(), G_FILE_TEST_EXISTS));
}

/* Seeded folders an earlier run left, and no app on them: the request still
 * goes nowhere, in one line, rather than starting an app of its own. */
TEST(CommandLine, LaunchSearchingOnARunsFoldersWithNoAppStartsNone)
{
    PelornTest::ScopedTestDirs dirs;
    const Ran ran = RunBounded({BuiltProgram("pelorn"), "--launch-searching"});
    EXPECT_EQ(1, ran.status) << ran.out << ran.err;
    EXPECT_TRUE(Contains(ran.err, "--start-searching")) << ran.err;
    EXPECT_EQ(1, std::count(ran.err.begin(), ran.err.end(), '\n')) << ran.err;
    EXPECT_FALSE(
        g_file_test((dirs.RuntimeDir() + "/apps/com.quenlor.pelorn.launch").c_str(), G_FILE_TEST_EXISTS));
}

/* A program at the top of a build tree finds the folders ./scripts/run keeps
 * there; installed elsewhere it uses the XDG ones; the variables beat both. */
TEST(CommandLine, ProgramsInABuildTreeDefaultToItsRunFolders)
{
    gchar* root = g_dir_make_tmp("pelorn-tree-XXXXXX", nullptr);
    ASSERT_NE(root, nullptr);
    const std::string tree = std::string(root) + "/build", xdg = std::string(root) + "/xdg";
    g_free(root);
    ASSERT_EQ(0, g_mkdir_with_parents(tree.c_str(), 0700));
    ASSERT_EQ(0, g_mkdir_with_parents(xdg.c_str(), 0700));
    const std::string tool = tree + "/vconftool";
    ASSERT_TRUE(CopyExecutable(BuiltProgram("vconftool"), tool));
    ASSERT_TRUE(g_file_set_contents((tree + "/CMakeCache.txt").c_str(), "# a build tree\n", -1, nullptr));
    const std::vector<std::string> plain = {"PELORN_STATE_DIR", "PELORN_RUNTIME_DIR",
                                            "XDG_STATE_HOME=" + xdg + "/state",
                                            "XDG_RUNTIME_DIR=" + xdg + "/run"};

    EXPECT_EQ(0, RunBounded({tool, "set", "-t", "int", "db/probe/a", "7"}, plain).status);
    EXPECT_EQ(0, RunBounded({tool, "set", "-t", "int", "memory/probe/b", "8"}, plain).status);
    const Ran got = RunBounded({tool, "get", "db/probe/a"}, plain);
    EXPECT_EQ("7\n", got.out) << got.err;
    EXPECT_TRUE(g_file_test((tree + "/run-state").c_str(), G_FILE_TEST_IS_DIR));
    EXPECT_TRUE(g_file_test((tree + "/run-runtime").c_str(), G_FILE_TEST_IS_DIR));
    EXPECT_FALSE(g_file_test((xdg + "/state/pelorn").c_str(), G_FILE_TEST_EXISTS));
    EXPECT_FALSE(g_file_test((xdg + "/run/pelorn").c_str(), G_FILE_TEST_EXISTS));

    // The same program outside a build tree: the XDG folders.
    ASSERT_EQ(0, g_unlink((tree + "/CMakeCache.txt").c_str()));
    EXPECT_EQ(1, RunBounded({tool, "get", "db/probe/a"}, plain).status)
        << "the tree's value must not be found";
    EXPECT_EQ(0, RunBounded({tool, "set", "-t", "int", "db/probe/a", "9"}, plain).status);
    EXPECT_TRUE(g_file_test((xdg + "/state/pelorn").c_str(), G_FILE_TEST_IS_DIR));

    // The variables win over the tree.
    ASSERT_TRUE(g_file_set_contents((tree + "/CMakeCache.txt").c_str(), "# a build tree\n", -1, nullptr));
    std::vector<std::string> own = plain;
    own[0] = "PELORN_STATE_DIR=" + xdg + "/own-state";
    EXPECT_EQ(0, RunBounded({tool, "set", "-t", "int", "db/probe/a", "3"}, own).status);
    EXPECT_EQ("3\n", RunBounded({tool, "get", "db/probe/a"}, own).out);
    EXPECT_EQ("7\n", RunBounded({tool, "get", "db/probe/a"}, plain).out);

    gchar* argv[] = {(gchar*)"rm", (gchar*)"-rf", (gchar*)tree.c_str(), (gchar*)xdg.c_str(), nullptr};
    g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr, nullptr,
                 nullptr);
    g_rmdir((tree.substr(0, tree.rfind('/'))).c_str());
}

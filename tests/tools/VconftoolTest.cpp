#include "TestEnvironment.h"
#include "VconfUtil.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using NSORZCommon::VconfUtil;
using PelornTest::BuiltProgram;
using PelornTest::ScopedTestDirs;

namespace
{
struct ToolRun
{
    int status = -1;
    std::string out;
};

/* Runs vconftool to completion in the test's state folders (inherited through the environment). */
ToolRun Vconftool(const std::vector<std::string>& args)
{
    std::vector<gchar*> argv;
    std::string tool = BuiltProgram("vconftool");
    argv.push_back(const_cast<gchar*>(tool.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<gchar*>(arg.c_str()));
    argv.push_back(nullptr);
    ToolRun run;
    gchar* out = nullptr;
    gint wait = 0;
    if (g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_STDERR_TO_DEV_NULL, nullptr, nullptr, &out, nullptr, &wait,
                     nullptr))
    {
        run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : 128 + WTERMSIG(wait);
        run.out = out ? out : "";
    }
    g_free(out);
    return run;
}

struct Heard
{
    int calls = 0;
    int value = -1;
};

void BrigConnectionChangedCb(keynode_t* node, void* data)
{
    Heard* heard = static_cast<Heard*>(data);
    heard->calls++;
    heard->value = vconf_keynode_get_bool(node);
}
} // namespace

TEST(Vconftool, ChangeFromAnotherProcessIsHeardOnTheMainLoop)
{
    ScopedTestDirs dirs;
    Heard heard;
    ASSERT_TRUE(VconfUtil::NotifyBrigConnectionChangedCb(BrigConnectionChangedCb, &heard));
    ASSERT_EQ(Vconftool({"set", "-t", "bool", "memory/brig/brig_connected", "1"}).status, 0);
    EXPECT_EQ(heard.calls, 0) << "nothing may be delivered outside the main loop";
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return heard.calls > 0; }));
    EXPECT_EQ(heard.value, 1);
    EXPECT_TRUE(VconfUtil::GetIsConnectedBrig());

    ASSERT_EQ(Vconftool({"set", "-t", "bool", "memory/brig/brig_connected", "false"}).status, 0);
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return heard.value == 0; }));
    EXPECT_TRUE(VconfUtil::IgnoreBrigConnectionChangedCb(BrigConnectionChangedCb, &heard));
}

TEST(Vconftool, ValuesAndExitStatus)
{
    ScopedTestDirs dirs(false);
    EXPECT_EQ(Vconftool({"get", "db/csc/country_iso"}).status, 1);
    EXPECT_EQ(Vconftool({"set", "-t", "string", "db/csc/country_iso", "KR"}).status, 0);
    EXPECT_EQ(VconfUtil::GetCSCCountryIso(), "KR");

    vconf_set_dbl("db/test/ratio", 0.125);
    ToolRun got = Vconftool({"get", "db/test/ratio"});
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.out, "0.125\n");

    EXPECT_EQ(Vconftool({"set", "-t", "int", "db/retailmode/enabled", "1x"}).status, 2);
    EXPECT_EQ(Vconftool({"set", "-t", "bool", "db/retailmode/enabled", "yes"}).status, 2);
    EXPECT_EQ(Vconftool({"set", "-t", "float", "db/retailmode/enabled", "1"}).status, 2);
    EXPECT_EQ(Vconftool({"set", "-t", "int", "retailmode/enabled", "1"}).status, 2);
    EXPECT_EQ(Vconftool({"frobnicate"}).status, 2);
    EXPECT_TRUE(VconfUtil::IsLDUBinary()) << "a refused set must leave the key unwritten";

    EXPECT_EQ(Vconftool({"set", "-t", "int", "db/retailmode/enabled", "0"}).status, 0);
    EXPECT_FALSE(VconfUtil::IsLDUBinary());
    EXPECT_EQ(Vconftool({"get", "db/retailmode/enabled"}).out, "0\n");
    EXPECT_EQ(Vconftool({"unset", "db/retailmode/enabled"}).status, 0);
    EXPECT_TRUE(VconfUtil::IsLDUBinary());
    EXPECT_EQ(Vconftool({"get", "db/retailmode/enabled"}).status, 1);
}

namespace
{
/* Lines from a pipe; a line cut by a time-out is kept for the next call. */
class LineReader
{
public:
    explicit LineReader(int fd) : mFd(fd) {}

    bool Next(std::string& line, int timeoutMs)
    {
        const gint64 deadline = g_get_monotonic_time() + (gint64)timeoutMs * 1000;
        char c;
        while (true)
        {
            int left = (int)((deadline - g_get_monotonic_time()) / 1000);
            struct pollfd p = {mFd, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, left) <= 0 || read(mFd, &c, 1) != 1)
                return false;
            if (c == '\n')
            {
                line.swap(mPartial);
                mPartial.clear();
                return true;
            }
            mPartial.push_back(c);
        }
    }

private:
    int mFd;
    std::string mPartial;
};
} // namespace

TEST(Vconftool, WatchPrintsEveryChangeUntilTerminated)
{
    ScopedTestDirs dirs;
    std::string tool = BuiltProgram("vconftool");
    const gchar* argv[] = {tool.c_str(), "watch", "memory/pm/state", nullptr};
    GPid pid = 0;
    gint out = -1;
    ASSERT_TRUE(g_spawn_async_with_pipes(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_DO_NOT_REAP_CHILD,
                                         nullptr, nullptr, &pid, nullptr, &out, nullptr, nullptr));
    // The watcher is ready once it reports one of these probing writes.
    LineReader reader(out);
    std::string line;
    bool ready = false;
    for (int probe = 0; probe < 50 && !ready; probe++)
    {
        vconf_set_int("memory/pm/state", 100 + probe);
        ready = reader.Next(line, 100);
    }
    ASSERT_TRUE(ready) << "watch never reported a change";
    EXPECT_EQ(line.rfind("memory/pm/state=1", 0), 0u) << line;

    vconf_set_int("memory/pm/state", 3);
    bool sawThree = false;
    while (!sawThree && reader.Next(line, 2000))
        sawThree = line == "memory/pm/state=3";
    EXPECT_TRUE(sawThree);
    vconf_unset("memory/pm/state");
    bool sawUnset = false;
    while (!sawUnset && reader.Next(line, 2000))
        sawUnset = line == "memory/pm/state unset";
    EXPECT_TRUE(sawUnset);

    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    close(out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "SIGTERM must end watch cleanly";
}

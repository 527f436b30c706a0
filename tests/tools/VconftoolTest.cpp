#include "TestEnvironment.h"
#include "VconfUtil.h"
#include "pelorn_accessory_wire.h"
#include "pelorn_link_state.h"
#include "pelorn_settings_keys.h"

#include <algorithm>
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <vector>

using NSORZCommon::VconfUtil;
using PelornTest::BuiltProgram;
using PelornTest::ScopedTestDirs;

namespace
{
/* Runs vconftool to its end in the test's state folders (inherited through
 * the environment), as typed in a terminal: the platform's log lines would
 * reach it. */
PelornTest::ProgramRun Vconftool(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{BuiltProgram("vconftool")};
    argv.insert(argv.end(), args.begin(), args.end());
    return PelornTest::RunProgram(argv, {"-PELORN_LOG_STDERR"});
}

int Status(const std::vector<std::string>& args)
{
    const PelornTest::ProgramRun run = Vconftool(args);
    return run.timedOut ? -1 : WIFEXITED(run.status) ? WEXITSTATUS(run.status) : 128 + WTERMSIG(run.status);
}
} // namespace

// That the watch app hears a change made here is that app's own case.
TEST(Vconftool, ValuesExitStatusHelpAndAWatchThatPrintsEveryChangeUntilTerminated)
{
    ScopedTestDirs dirs(false);
    EXPECT_EQ(Status({"get", "db/csc/country_iso"}), 1);
    EXPECT_EQ(Status({"set", "-t", "string", "db/csc/country_iso", "KR"}), 0);
    EXPECT_EQ(VconfUtil::GetCSCCountryIso(), "KR");

    vconf_set_dbl("db/test/ratio", 0.125);
    PelornTest::ProgramRun got = Vconftool({"get", "db/test/ratio"});
    EXPECT_TRUE(got.Exited(0));
    EXPECT_EQ(got.out, "0.125\n");

    EXPECT_EQ(Status({"set", "-t", "int", "db/retailmode/enabled", "1x"}), 2);
    EXPECT_EQ(Status({"set", "-t", "bool", "db/retailmode/enabled", "yes"}), 2);
    EXPECT_EQ(Status({"set", "-t", "float", "db/retailmode/enabled", "1"}), 2);
    EXPECT_EQ(Status({"set", "-t", "int", "retailmode/enabled", "1"}), 2);
    EXPECT_EQ(Status({"frobnicate"}), 2);
    EXPECT_TRUE(VconfUtil::IsLDUBinary()) << "a refused set must leave the key unwritten";

    EXPECT_EQ(Status({"set", "-t", "bool", "memory/brig/brig_connected", "false"}), 0);
    EXPECT_FALSE(VconfUtil::GetIsConnectedBrig());
    EXPECT_EQ(Status({"set", "-t", "int", "db/retailmode/enabled", "0"}), 0);
    EXPECT_FALSE(VconfUtil::IsLDUBinary());
    EXPECT_EQ(Vconftool({"get", "db/retailmode/enabled"}).out, "0\n");
    EXPECT_EQ(Status({"unset", "db/retailmode/enabled"}), 0);
    EXPECT_TRUE(VconfUtil::IsLDUBinary());
    EXPECT_EQ(Status({"get", "db/retailmode/enabled"}), 1);

    // Every key the app reads is in the help, with its type and a value to set.
    const std::string help = Vconftool({"--help"}).out;
    size_t count = 0;
    const pelorn_settings_key_s* keys = pelorn_settings_keys(&count);
    ASSERT_GT(count, 10u);
    for (size_t i = 0; i < count; i++)
    {
        const std::string line = std::string(keys[i].key) + "  " + pelorn_settings_type_name(keys[i].type) +
                                 ", " +
                                 (keys[i].example ? std::string("e.g. ") + keys[i].example : "read only");
        EXPECT_NE(help.find(line + "\n      " + keys[i].meaning + "\n"), std::string::npos) << line << "\n"
                                                                                            << help;
    }

    // Every change the watcher prints goes to a file the test reads as it grows.
    const std::string out = dirs.StateDir() + "/watch.out";
    const int pid = PelornTest::SpawnProgram(
        {"sh", "-c", "exec \"$0\" watch memory/pm/state > \"$1\"", BuiltProgram("vconftool"), out});
    ASSERT_GT(pid, 0);
    auto printed = [&](const std::string& line)
    { return ("\n" + PelornTest::ReadFile(out)).find("\n" + line) != std::string::npos; };
    // The watcher is ready once it reports one of these probing writes.
    for (int probe = 0; probe < 600 && !printed("memory/pm/state=1"); probe++)
    {
        vconf_set_int("memory/pm/state", 100 + probe);
        g_usleep(100 * 1000);
    }
    ASSERT_TRUE(printed("memory/pm/state=1")) << "watch never reported a change";

    vconf_set_int("memory/pm/state", 3);
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return printed("memory/pm/state=3\n"); }));
    vconf_unset("memory/pm/state");
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return printed("memory/pm/state unset\n"); }));

    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_TRUE(PelornTest::WaitChild(pid, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "SIGTERM must end watch cleanly";
}

/* With the phone there, "set -t bool memory/brig/brig_connected 0" read back 1
 * at once and told nobody; "-t int" stuck and wedged the app as disconnected;
 * and vconftool printed the platform's E/link-state lines. */
TEST(Vconftool, PlatformKeptAndWrongTypedWritesAreRefusedInItsOwnWords)
{
    ScopedTestDirs dirs;
    const std::string socket = PelornAccessoryWire::SocketPath();
    const int phone = pelorn_link_presence_announce(socket.c_str(), 1);
    ASSERT_GE(phone, 0);
    int value = -1;
    ASSERT_EQ(vconf_get_bool("memory/brig/brig_connected", &value), VCONF_OK); // this process derives it too
    const PelornTest::ProgramRun read = Vconftool({"get", "memory/brig/brig_connected"});
    EXPECT_EQ(read.out, "1\n");
    EXPECT_EQ(read.err, "") << "only vconftool's own words";
    for (const char* type : {"bool", "int"})
    {
        const PelornTest::ProgramRun set = Vconftool({"set", "-t", type, "memory/brig/brig_connected", "0"});
        EXPECT_TRUE(set.Exited(2)) << type;
        EXPECT_NE(set.err.find("kept by the platform"), std::string::npos) << set.err;
        EXPECT_EQ(std::count(set.err.begin(), set.err.end(), '\n'), 1) << set.err;
    }
    EXPECT_EQ(Status({"unset", "memory/private/kiv/conn_type"}), 2);
    const PelornTest::ProgramRun again = Vconftool({"get", "memory/brig/brig_connected"});
    EXPECT_EQ(again.out, "1\n");
    EXPECT_EQ(again.err, "") << "the platform's log lines stay in the log";

    // A known key takes its own type only, and says which.
    const PelornTest::ProgramRun wrong = Vconftool({"set", "-t", "bool", "db/retailmode/enabled", "1"});
    EXPECT_TRUE(wrong.Exited(2));
    EXPECT_EQ(wrong.err, "vconftool: db/retailmode/enabled is of type int, not bool: use -t int\n");
    EXPECT_EQ(Vconftool({"get", "db/retailmode/enabled"}).out, "0\n")
        << "a refused write leaves it as it was";

    // A file of the wrong type (written by hand) never reads as a state; a
    // link key is set right from the phone's presence at the next read.
    const std::string runtime = dirs.RuntimeDir() + "/vconf/memory/brig/brig_connected";
    const std::string agreement = dirs.StateDir() + "/vconf/db/brig/user_agreement/orzzib";
    ASSERT_EQ(0, g_mkdir_with_parents((dirs.StateDir() + "/vconf/db/brig/user_agreement").c_str(), 0700));
    ASSERT_TRUE(g_file_set_contents(runtime.c_str(), "i:0\n", -1, nullptr));
    ASSERT_TRUE(g_file_set_contents(agreement.c_str(), "i:1\n", -1, nullptr));
    EXPECT_EQ(vconf_get_bool("db/brig/user_agreement/orzzib", &value), VCONF_ERROR);
    EXPECT_FALSE(VconfUtil::GetUserAgreementForORZZIB());
    EXPECT_EQ(vconf_get_bool("memory/brig/brig_connected", &value), VCONF_OK);
    EXPECT_EQ(value, 1);
    pelorn_link_presence_withdraw(socket.c_str(), phone);

    // Gone (a clean end), the phone still decides: the keys read it gone,
    // and stay the platform's.
    EXPECT_EQ(Vconftool({"get", "memory/brig/brig_connected"}).out, "0\n");
    EXPECT_EQ(Status({"set", "-t", "bool", "memory/brig/brig_connected", "1"}), 2);
}

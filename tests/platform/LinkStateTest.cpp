#include "TestEnvironment.h"
#include "pelorn_link_state.h"
#include "vconf.h"

#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using PelornTest::BuiltProgram;
using PelornTest::IntKey;
using PelornTest::RunGlibUntil;
using PelornTest::ScopedTestDirs;

namespace
{
bool LinkReads(int connected, int type)
{
    return IntKey("memory/brig/brig_connected") == connected &&
           IntKey("memory/private/kiv/conn_type") == type;
}

void HeardCb(keynode_t*, void* data)
{
    ++*static_cast<int*>(data);
}

/* Whether the default context would wake up by itself: a pending timer
 * gives a finite time-out. */
bool IdleWithoutTimers()
{
    GMainContext* context = g_main_context_default();
    while (g_main_context_iteration(context, FALSE))
        ;
    gint priority = 0;
    g_main_context_prepare(context, &priority);
    gint timeout = 0;
    GPollFD fds[64];
    g_main_context_query(context, priority, &timeout, fds, 64);
    g_main_context_check(context, priority, fds, 0);
    return timeout < 0;
}
} // namespace

/* phone-sim killed mid-ring used to leave the keys at 1: the radar kept
 * turning and the next launch sent a stop instead of a start. */
TEST(LinkState, PhoneKilledBySigkillReadsDisconnectedFromTheSocketAlone)
{
    ScopedTestDirs dirs;
    // Watched before anything read it: the watch alone follows the phone.
    int heard = 0;
    ASSERT_EQ(vconf_notify_key_changed("memory/brig/brig_connected", HeardCb, &heard), VCONF_OK);
    int phone = PelornTest::SpawnProgram({BuiltProgram("phone-sim"), "--conn-type", "16"});
    ASSERT_GT(phone, 0);
    ASSERT_TRUE(RunGlibUntil([&heard] { return heard > 0; }, 5000)) << "the phone's arrival was not heard";
    ASSERT_TRUE(LinkReads(1, 16)) << "connected=" << IntKey("memory/brig/brig_connected")
                                  << " type=" << IntKey("memory/private/kiv/conn_type");
    heard = 0;
    EXPECT_TRUE(IdleWithoutTimers()) << "watching a live phone must not wake the loop by timer";

    kill(phone, SIGKILL);
    ASSERT_TRUE(PelornTest::WaitChild(phone));
    // Heard through the main loop, as the application hears it (no read
    // forces it). With no timer armed (above), only the socket's end can
    // have told it, however long the machine took.
    EXPECT_TRUE(RunGlibUntil([&heard] { return heard > 0; }, 60000)) << "no change heard after SIGKILL";
    EXPECT_TRUE(LinkReads(0, 0));
    vconf_ignore_key_changed("memory/brig/brig_connected", HeardCb);

    // The next phone is followed just the same, and a clean end too.
    phone = PelornTest::SpawnProgram({BuiltProgram("phone-sim")});
    ASSERT_GT(phone, 0);
    EXPECT_TRUE(RunGlibUntil([] { return LinkReads(1, 1); }, 5000));
    EXPECT_TRUE(PelornTest::EndChild(phone));
    EXPECT_TRUE(RunGlibUntil([] { return LinkReads(0, 0); }, 2000));
}

/* The phone ended cleanly while nothing on the watch side ran (the run's app
 * had ended first): the next program to read the keys, here a fresh
 * vconftool each time, must find it gone. A phone that took its presence
 * file with it left the keys at 1, and the next app rang nobody for minutes. */
TEST(LinkState, APhoneThatEndedWhileNobodyWatchedReadsGoneAtTheNextLook)
{
    ScopedTestDirs dirs;
    auto read = []
    { return PelornTest::RunProgram({BuiltProgram("vconftool"), "get", "memory/brig/brig_connected"}).out; };
    const std::string socket = dirs.RuntimeDir() + "/accessory.sock";
    for (bool killed : {false, true})
    {
        int fd = -1;
        int phone = -1;
        if (killed)
        {
            phone = PelornTest::SpawnProgram({BuiltProgram("phone-sim")});
            ASSERT_GT(phone, 0);
            ASSERT_TRUE(RunGlibUntil([&] { return read() == "1\n"; }, 10000)) << "the phone never read as there";
            kill(phone, SIGKILL);
            ASSERT_TRUE(PelornTest::WaitChild(phone));
        }
        else
        {
            fd = pelorn_link_presence_announce(socket.c_str(), 1);
            ASSERT_GE(fd, 0);
            ASSERT_EQ("1\n", read());
            pelorn_link_presence_withdraw(socket.c_str(), fd);
        }
        EXPECT_EQ("0\n", read()) << (killed ? "killed" : "ended cleanly");
    }
}

/* Nothing watched the link yet: the first read looks, with no loop turn. */
TEST(LinkState, FirstReadFindsAPhoneAlreadyThere)
{
    ScopedTestDirs dirs;
    const std::string socket = dirs.RuntimeDir() + "/accessory.sock";
    const int fd = pelorn_link_presence_announce(socket.c_str(), 2);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(LinkReads(1, 2));
    pelorn_link_presence_withdraw(socket.c_str(), fd);
}

/* The peer only says which connection it plays; whatever it writes into the
 * keys itself is not what the watch goes by. Only a presence of this account
 * counts: another one's file, even locked, never makes the watch read a phone
 * that is not its own. */
TEST(LinkState, KeysSetByHandAndPresenceFilesOfAnotherAccountAreNotWhatTheWatchGoesBy)
{
    ScopedTestDirs dirs;
    vconf_set_bool("memory/brig/brig_connected", 1);
    vconf_set_int("memory/private/kiv/conn_type", 4);
    pelorn_link_state_watch();
    PelornTest::RunGlibFor(100);
    EXPECT_TRUE(LinkReads(1, 4)) << "keys set by hand while no phone ever ran were overwritten";
    if (getuid() != 0)
        GTEST_SKIP() << "needs root to give a presence file to another account";

    vconf_set_bool("memory/brig/brig_connected", 0);
    const std::string presence = pelorn_link_presence_path(dirs.RuntimeDir() + "/accessory.sock");
    int fd = open(presence.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, fchown(fd, 65534, 65534));
    ASSERT_EQ(0, flock(fd, LOCK_EX));
    ASSERT_EQ(10, write(fd, "conn_type=1\n", 10)); // its change is heard like a real announcement
    close(open(presence.c_str(), O_WRONLY | O_CLOEXEC));
    PelornTest::RunGlibFor(300);
    EXPECT_EQ(0, IntKey("memory/brig/brig_connected"));
    close(fd);
}

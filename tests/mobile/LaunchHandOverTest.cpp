/* The real application, stopped and woken, closed with its terminal, with
 * the real phone-sim beside it. */

#include "PhoneSimProcess.h"
#include "TestEnvironment.h"
#include "app_manager.h"
#include "app_preference.h"
#include "vconf.h"

#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using PelornTest::BuiltProgram;
using PelornTest::PhoneSimProcess;

namespace
{
struct Started
{
    GPid pid = 0;
    gint err = -1;
};

Started StartPelorn(const std::vector<std::string>& args)
{
    std::vector<std::string> all{BuiltProgram("pelorn")};
    all.insert(all.end(), args.begin(), args.end());
    Started s;
    s.pid = PelornTest::SpawnProgram(all, {}, &s.err);
    fcntl(s.err, F_SETFL, O_NONBLOCK);
    return s;
}

std::string Drain(gint fd)
{
    std::string text;
    PelornTest::AppendAvailable(fd, text);
    close(fd);
    return text;
}
} // namespace

/* With the app stopped (SIGSTOP), a launcher took 10 s and reported success,
 * launchers queued on a lock, and after SIGCONT the phone got every stale
 * request: 3 starts and 2 stops. Launch requests while ringing stopped it. */
TEST(LaunchHandOver, StoppedAppLaunchersFailFastAndOnceAwakeLaunchesRingOnceAndKeepThePhoneRinging)
{
    PelornTest::ScopedTestDirs dirs;
    vconf_set_bool("db/brig/user_agreement/orzzib", 1);
    preference_set_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", true);
    PhoneSimProcess phone;
    ASSERT_TRUE(phone.Ready());
    Started app = StartPelorn({});
    ASSERT_GT(app.pid, 0);
    if (!phone.WaitFor("watch connected", 20000))
    {
        PelornTest::EndChild(app.pid);
        FAIL() << "the app never connected to the phone";
    }

    kill(app.pid, SIGSTOP);
    // The floor, timed here: one launcher alone against the stopped app. A
    // dozen at once take about as long; queued behind each other, a dozen times as long.
    int failed = 0, toldWhy = 0;
    auto launch = [&](int count) {
        const gint64 start = g_get_monotonic_time();
        std::vector<Started> launchers;
        for (int i = 0; i < count; i++)
            launchers.push_back(StartPelorn({"--launch-searching"}));
        for (Started& l : launchers)
        {
            int status = -1;
            EXPECT_TRUE(PelornTest::WaitChild(l.pid, &status, 120000)) << "a launcher still waited after 2 min";
            failed += WIFEXITED(status) && WEXITSTATUS(status) != 0;
            toldWhy += Drain(l.err).find("did not take the launch request") != std::string::npos;
        }
        return g_get_monotonic_time() - start;
    };
    const gint64 aloneUs = launch(1);
    const gint64 dozenUs = launch(12);
    EXPECT_LT(dozenUs, 6 * aloneUs) << "launchers queued behind each other; one alone took " << aloneUs
                                    << " us (floor)";
    EXPECT_EQ(13, failed) << "a launcher reported success to a stopped app";
    EXPECT_EQ(13, toldWhy);

    // Awake, the next launch rings, with a start. Two more while the phone
    // rings went through the start/stop toggle: the first stopped the ringing
    // and the second started it over with a fresh limit. A stale request would
    // have gone out on SIGCONT, before all of them: the counts below show none did.
    kill(app.pid, SIGCONT);
    for (int i = 0; i < 3; i++)
    {
        const auto launch = PelornTest::RunProgram({BuiltProgram("pelorn"), "--launch-searching"}, {}, 120000);
        EXPECT_TRUE(launch.Exited(0)) << launch.err;
        if (i == 0)
        {
            ASSERT_TRUE(phone.WaitFor("ringing: ", 20000)) << phone.Output();
        }
    }
    // The app answers the phone's found after everything it sent before.
    phone.Command("found");
    EXPECT_TRUE(phone.WaitFor("watch acknowledged found", 20000)) << phone.Output();
    EXPECT_EQ(1u, phone.CountPrinted("rux-startalert-req")) << "a request its sender gave up on was carried out\n"
                                                            << phone.Output();
    EXPECT_EQ(0u, phone.CountPrinted("rux-stopalert-req")) << phone.Output();
    EXPECT_EQ(1u, phone.CountPrinted("ringing stopped after")) << phone.Output();
    EXPECT_TRUE(phone.Printed("found: ringing stopped after")) << phone.Output();

    // Closing its terminal ends it, and the instance is free for the next start.
    kill(app.pid, SIGHUP);
    int hupStatus = -1;
    EXPECT_TRUE(PelornTest::WaitChild(app.pid, &hupStatus)) << "SIGHUP did not end the app";
    close(app.err);
    EXPECT_TRUE(WIFEXITED(hupStatus))
        << "ended by the signal's default action, not by the app: " << hupStatus;
    bool running = true;
    EXPECT_EQ(APP_MANAGER_ERROR_NONE, app_manager_is_running("com.quenlor.pelorn", &running));
    EXPECT_FALSE(running);
}

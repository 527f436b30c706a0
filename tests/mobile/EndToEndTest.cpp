#include "AppScenario.h"
#include "TestEnvironment.h"
#include "ViewBasicElements.h"
#include "app_preference.h"
#include "pelorn_clock.h"
#include "vconf.h"

#include <glib-unix.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using PelornTest::AppScenario;

namespace
{
/* The real phone-sim beside the application: its output lines are collected
 * on the main loop, commands go to its standard input. */
class PhoneSim
{
public:
    explicit PhoneSim(std::vector<std::string> args)
    {
        std::vector<std::string> all{PelornTest::BuiltProgram("phone-sim")};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<gchar*> argv;
        for (std::string& a : all)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        g_spawn_async_with_pipes(nullptr, argv.data(), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &mPid,
                                 &mIn, &mOut, nullptr, nullptr);
        mWatch = g_unix_fd_add(mOut, (GIOCondition)(G_IO_IN | G_IO_HUP), OutputCb, this);
    }
    ~PhoneSim()
    {
        if (mWatch)
            g_source_remove(mWatch);
        kill(mPid, SIGTERM);
        waitpid(mPid, nullptr, 0);
        close(mIn);
        close(mOut);
    }
    void Command(const std::string& line) { (void)!write(mIn, (line + "\n").c_str(), line.size() + 1); }
    int Count(const std::string& needle) const
    {
        int n = 0;
        for (const std::string& l : mLines)
            n += l.find(needle) != std::string::npos;
        return n;
    }
    /* Packets of that message id the phone received. */
    int Received(const std::string& msgId) const
    {
        int n = 0;
        for (const std::string& l : mLines)
            n += l.rfind("recv", 0) == 0 && l.find("\"" + msgId + "\"") != std::string::npos;
        return n;
    }
private:
    static gboolean OutputCb(gint fd, GIOCondition, gpointer data)
    {
        PhoneSim* self = static_cast<PhoneSim*>(data);
        char buf[4096];
        ssize_t n = read(fd, buf, sizeof(buf));
        if (n <= 0)
        {
            self->mWatch = 0;
            return G_SOURCE_REMOVE;
        }
        self->mPending.append(buf, (size_t)n);
        size_t eol;
        while ((eol = self->mPending.find('\n')) != std::string::npos)
        {
            self->mLines.push_back(self->mPending.substr(0, eol));
            self->mPending.erase(0, eol + 1);
        }
        return G_SOURCE_CONTINUE;
    }

private:
    GPid mPid = 0;
    gint mIn = -1, mOut = -1;
    guint mWatch = 0;
    std::string mPending;
    std::vector<std::string> mLines;
};

Evas_Object* Window()
{
    return NSORZUiCommon::ViewBasicElements::GetWindow();
}

class EndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        vconf_set_bool("db/brig/user_agreement/orzzib", 1);
        preference_set_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", true);
    }
    PelornTest::ScopedTestDirs mDirs;
};
} // namespace

TEST_F(EndToEnd, TapRingsThePhoneAndTheFoundReportEndsIt)
{
    PhoneSim phone({});
    AppScenario s;
    s.WaitFor("link up", [&] { return phone.Count("watch connected") > 0; })
        .Do("normal screen", [] { AppScenario::Screenshot(Window(), "normal"); })
        .Then("tap start", [] { AppScenario::Tap(Window(), 180, 180); },
              [&] { return phone.Count("\"msgId\":\"rux-startalert-req\",\"time\":\"180\"") == 1; })
        .WaitFor("phone rings", [&] { return phone.Count("ringing:") > 0; })
        .Do("mid radar", [] { AppScenario::Screenshot(Window(), "finding"); })
        .Then("phone found", [&] { phone.Command("found"); },
              [&] { return phone.Received("rux-founddevice-rsp") == 1; });
    s.Run({});
    EXPECT_EQ("", s.FailedStep());
    EXPECT_EQ(0, phone.Received("rux-stopalert-req")) << "a found report must not be answered with a stop";
}

TEST_F(EndToEnd, EscapeWhileRingingSendsTheStopRequest)
{
    PhoneSim phone({});
    AppScenario s;
    s.WaitFor("link up", [&] { return phone.Count("watch connected") > 0; })
        .Then("tap start", [] { AppScenario::Tap(Window(), 180, 180); },
              [&] { return phone.Received("rux-startalert-req") == 1; })
        .Then("escape", [] { AppScenario::KeyUp("Escape"); },
              [&] { return phone.Received("rux-stopalert-req") == 1; });
    s.Run({});
    EXPECT_EQ("", s.FailedStep());
}

TEST_F(EndToEnd, LaunchSearchingOnAFreshStartAndOnTheRunningAppRingsOnceEach)
{
    PhoneSim phone({});
    AppScenario s;
    auto secondStart = [] {
        gchar* argv[] = {g_strdup(PelornTest::BuiltProgram("pelorn").c_str()), g_strdup("--launch-searching"), nullptr};
        g_spawn_async(nullptr, argv, nullptr, (GSpawnFlags)(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                      nullptr, nullptr, nullptr, nullptr);
        g_free(argv[0]);
        g_free(argv[1]);
    };
    s.WaitFor("rings at start", [&] { return phone.Received("rux-startalert-req") == 1; })
        .Then("stop", [] { AppScenario::Tap(Window(), 180, 180); },
              [&] { return phone.Received("rux-stopalert-req") == 1; })
        .Then("second start", secondStart, [&] { return phone.Received("rux-startalert-req") == 2; })
        .Then("settle", [] {}, [start = g_get_monotonic_time()] { return g_get_monotonic_time() - start > 1500000; });
    s.Run({"--launch-searching"});
    EXPECT_EQ("", s.FailedStep());
    EXPECT_EQ(2, phone.Received("rux-startalert-req"));
}

TEST_F(EndToEnd, NoAnswerReturnsToNormalAfterTheRingLimit)
{
    PhoneSim phone({"--never-answer"});
    pelorn_clock_set_manual(TRUE);
    AppScenario s;
    s.Then("resume timer", [] { pelorn_clock_advance_ms(1000); },
           [&] { return phone.Count("watch connected") > 0; })
        .Then("tap start", [] { AppScenario::Tap(Window(), 180, 180); },
              [&] { return phone.Received("rux-startalert-req") == 1; })
        .Do("180 s pass", [] { pelorn_clock_advance_ms(181000); })
        .Then("tap again starts anew", [] { AppScenario::Tap(Window(), 180, 180); },
              [&] { return phone.Received("rux-startalert-req") == 2; });
    s.Run({});
    EXPECT_EQ("", s.FailedStep());
    EXPECT_EQ(0, phone.Received("rux-stopalert-req")) << "after the limit the tap must start, not stop";
}

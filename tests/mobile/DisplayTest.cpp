// The application as a process of its own: its first frame on the in-memory
// canvas, and on a real X server.
#include "PhoneSimProcess.h"
#include "TestEnvironment.h"
#include "app_preference.h"
#include "vconf.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using PelornTest::BuiltProgram;
using PelornTest::PhoneSimProcess;
using PelornTest::RunGlibUntil;
using PelornTest::ScopedTestDirs;

namespace
{
/* A program whose descriptor 3 is a pipe the test reads (its stderr is
 * silenced). Ended with SIGTERM when the object goes. */
class PipedProcess
{
public:
    PipedProcess(std::vector<std::string> argv, const std::vector<std::string>& env)
    {
        argv.insert(argv.begin(), {"/bin/sh", "-c", "exec \"$0\" \"$@\" 3>&2 2>/dev/null"});
        mPid = PelornTest::SpawnProgram(argv, env, &mReadFd);
    }

    ~PipedProcess()
    {
        if (mPid > 0)
            PelornTest::EndChild(mPid);
        if (mReadFd >= 0)
            close(mReadFd);
    }

    bool Started() const { return mPid > 0; }
    /* Its memory map, as the kernel lists it (empty once it has ended). */
    std::string Maps() const
    {
        return mPid > 0 ? PelornTest::ReadFile("/proc/" + std::to_string(mPid) + "/maps") : "";
    }
    std::string ReadLine(int timeoutMs)
    {
        return PelornTest::ReadLine(mReadFd, timeoutMs);
    }

private:
    int mPid = -1;
    int mReadFd = -1;
};
} // namespace

// The map fetch is the only user of libcurl, the location screen's times the
// only user of ICU, the phone's messages the only JSON, event sounds the
// only use of libcanberra and settings watches no longer need GIO; all of
// them used to be loaded by every launch. The location, time-format,
// phone-link and feedback tests show they still load when wanted.
TEST(StartupFootprint, FindingScreenComesUpWithoutLoadingLibrariesOnlyLaterScreensNeed)
{
    ScopedTestDirs dirs;
    vconf_set_bool("db/brig/user_agreement/orzzib", 1);
    preference_set_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", true);
    PipedProcess app({BuiltProgram("pelorn")}, {"PELORN_FIRST_FRAME_FD=3", "PELORN_LOG_STDERR=0"});
    ASSERT_TRUE(app.Started());
    ASSERT_EQ("frame", app.ReadLine(20000)) << "no first frame";
    const std::string maps = app.Maps();
    ASSERT_NE(std::string::npos, maps.find("libelementary")) << "not the running program's map:\n" << maps;
    // Settings are watched with inotify itself: GIO waits for the bus, the
    // network monitor or a missing phone socket.
    for (const char* library :
         {"libcurl", "libgnutls", "libicu", "libjson-glib", "libcanberra", "libvorbis", "libgio-2.0"})
        EXPECT_EQ(std::string::npos, maps.find(library)) << library << " loaded:\n" << maps;
}

// Every library's every symbol is looked up in the loader's list, in order,
// and most end in the toolkit's object system or the C library: the build
// names those first. In GLib's wake they took a third more probes at start.
TEST(StartupFootprint, TheLoaderSearchesTheToolkitAndTheCLibraryFirst)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's build keeps the linker's order, its runtime first";
#endif
    gchar** env = g_environ_setenv(g_get_environ(), "LD_DEBUG", "scopes", TRUE);
    const std::string program = BuiltProgram("pelorn");
    gchar* argv[] = {(gchar*)program.c_str(), (gchar*)"--help", nullptr};
    gchar* err = nullptr;
    gint status = 0;
    ASSERT_TRUE(g_spawn_sync(nullptr, argv, env, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr, nullptr, &err,
                             &status, nullptr));
    g_strfreev(env);
    const std::string scopes = err ? err : "";
    g_free(err);
    // The program's own first scope, the one every library shares.
    const size_t at = scopes.find("scope 0: ");
    ASSERT_NE(std::string::npos, at) << scopes.substr(0, 2000);
    std::istringstream line(scopes.substr(at + 9, scopes.find('\n', at) - at - 9));
    std::vector<std::string> order;
    for (std::string object; line >> object && order.size() < 3;)
        order.push_back(object.substr(object.rfind('/') + 1));
    ASSERT_EQ(3u, order.size()) << scopes.substr(at, 500);
    EXPECT_EQ("pelorn", order[0]);
    EXPECT_EQ(0u, order[1].find("libelementary.so")) << order[1];
    EXPECT_EQ("libc.so.6", order[2]);
}

// A bare X server (Xvfb here, Xephyr on a desktop) has no window manager to
// mark the window normal; elementary then takes it for withdrawn and would
// never draw it. Nobody hands out the keyboard either: keys went to what lay
// under the pointer, or nowhere. After back on the finding screen a tap rang
// on an app left paused, so Escape no longer stopped it; the remote popup
// took no BackSpace, and once it was gone the keys reached nobody.
TEST(Display, OnAnXServerWithoutAWindowManagerTheAppDrawsAndTheKeysReachWhatIsOnTop)
{
    // A private Xvfb, with no window manager, as a bare Xephyr on a desktop.
    gchar* xvfb = g_find_program_in_path("Xvfb");
    std::unique_ptr<PipedProcess> server;
    if (xvfb)
        server = std::make_unique<PipedProcess>(
            std::vector<std::string>{xvfb, "-displayfd", "3", "-screen", "0", "400x400x24", "-nolisten", "tcp"},
            std::vector<std::string>{});
    g_free(xvfb);
    const std::string display = server && server->Started() ? server->ReadLine(15000) : "";
    if (display.empty())
        GTEST_SKIP() << "no Xvfb display here (./scripts/install-deps installs Xvfb)";

    ScopedTestDirs dirs;
    vconf_set_bool("db/brig/user_agreement/orzzib", 1);
    preference_set_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", true);
    PipedProcess app({BuiltProgram("pelorn")}, {"DISPLAY=:" + display, "PELORN_FIRST_FRAME_FD=3", "PELORN_LOG_STDERR=0",
                                                "-ELM_ENGINE", "-WAYLAND_DISPLAY"});
    ASSERT_TRUE(app.Started());
    EXPECT_EQ("frame", app.ReadLine(20000));
    const std::string logPath = dirs.StateDir() + "/pelorn.log";
    auto logged = [&](const std::string& needle)
    {
        const std::string log = PelornTest::ReadFile(logPath);
        size_t n = 0;
        for (size_t at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1))
            n++;
        return n;
    };
    std::unique_ptr<PhoneSimProcess> phone; // none at first: the remote popup comes up
    auto explain = [&] { return (phone ? phone->Output() : "") + "\n--- log ---\n" + PelornTest::ReadFile(logPath); };
    // Drawing is not all: the screen's own animation must run to its end too.
    ASSERT_TRUE(RunGlibUntil([&] { return logged("TransitionFinished") > 0; })) << explain();
    EXPECT_GT(logged("no window manager: the window is marked normal"), 0u) << explain();

    gchar* found = g_find_program_in_path("xdotool");
    const std::string xdotool = found ? found : "";
    g_free(found);
    if (xdotool.empty())
        GTEST_SKIP() << "no xdotool here (./scripts/install-deps installs it)";
    // As a keyboard and a mouse give them (XTEST); every key with the pointer
    // off the window, where only the keyboard focus can take it there.
    auto xdo = [&](std::vector<std::string> args)
    {
        args.insert(args.begin(), xdotool);
        return PelornTest::RunProgram(args, {"DISPLAY=:" + display});
    };
    auto key = [&](const char* name) { EXPECT_TRUE(xdo({"mousemove", "390", "390", "key", name}).Exited(0)); };
    auto tap = [&] { EXPECT_TRUE(xdo({"mousemove", "180", "180", "click", "1"}).Exited(0)); };
    // The X server's word on who has the keyboard, asked at most every 50 ms.
    auto focusOn = [&](const std::string& windowName)
    {
        return [&, windowName, asked = std::make_shared<gint64>(0), answer = std::make_shared<bool>(false)]
        {
            if (g_get_monotonic_time() - *asked < 50000)
                return *answer;
            *asked = g_get_monotonic_time();
            const std::string focused = xdo({"getwindowfocus"}).out;
            std::istringstream named(xdo({"search", "--name", windowName}).out);
            *answer = false;
            for (std::string id; std::getline(named, id);)
                *answer = *answer || (!focused.empty() && id + "\n" == focused);
            return *answer;
        };
    };
    // The windows as the X server stacks them, top first, and which are on
    // the screen: what a click at the middle meets.
    auto screen = [&]
    {
        const std::string stack = PelornTest::RunProgram({"xwininfo", "-root", "-children"}, {"DISPLAY=:" + display}).out;
        return "\n--- X stacking ---\n" + stack + "--- mapped named windows ---\n" +
               xdo({"search", "--onlyvisible", "--name", "."}).out;
    };
    auto popupMapped = [&] { return !xdo({"search", "--onlyvisible", "--name", "^Remote connection$"}).out.empty(); };
    tap(); // no phone: the remote-connection popup comes up, and takes the keyboard
    auto popupFocused = focusOn("^Remote connection$");
    ASSERT_TRUE(RunGlibUntil([&] { return logged("asks:") == 1 && popupFocused(); })) << explain();
    key("BackSpace");
    // The popup is off the screen by the time its answer reaches the app: a
    // tap right after it is the app's.
    ASSERT_TRUE(RunGlibUntil([&] { return logged("> OnReplieded") == 1; })) << explain();
    EXPECT_FALSE(popupMapped()) << "the answered popup is still on the screen" << screen();
    auto appFocused = focusOn("^Pelorn$");
    ASSERT_TRUE(RunGlibUntil([&] { return appFocused(); })) << explain() << screen();
    key("BackSpace"); // the keyboard is the app's again: back on the finding screen lowers it, it pauses
    ASSERT_TRUE(RunGlibUntil([&] { return logged("AppPause") == 1; })) << explain();
    // Lowered, the window gives up the keyboard: a click is then what brings it back.
    ASSERT_TRUE(RunGlibUntil([&] { return !appFocused(); })) << explain() << screen();

    phone = std::make_unique<PhoneSimProcess>();
    ASSERT_TRUE(phone->Ready());
    ASSERT_TRUE(RunGlibUntil([&] { return logged("phone link up") > 0; })) << explain();
    const std::string atTheClick = screen();
    tap(); // the lowered window, clicked, is back (resumed), and rings
    ASSERT_TRUE(RunGlibUntil([&] { return phone->CountPrinted("\"rux-startalert-req\"") == 1; }))
        << explain() << "\nat the click:" << atTheClick;
    // Escape goes where the keyboard is: the click gave it back to the app.
    ASSERT_TRUE(RunGlibUntil([&] { return appFocused(); })) << explain() << screen();
    key("Escape");
    EXPECT_TRUE(RunGlibUntil([&] { return phone->Printed("stopped by the watch"); })) << explain();
    // Escape stopped the ringing and did nothing else: the finding screen, which a focused
    // naviframe once popped on Escape, is still there and rings again. (A tap during the
    // button's change is swallowed, so it taps until one rings.)
    gint64 lastTap = 0;
    EXPECT_TRUE(RunGlibUntil([&] {
        if (g_get_monotonic_time() - lastTap > 500 * 1000)
        {
            lastTap = g_get_monotonic_time();
            tap();
        }
        return phone->CountPrinted("\"rux-startalert-req\"") >= 2;
    })) << explain();
}

/* What another account on the machine, a closed terminal or a stopped
 * process could do to the application, tried against the real programs. */

#include "../../platform/src/app_control_private.h"
#include "TestEnvironment.h"
#include "UiTestHarness.h"
#include "dlog.h"
#include "pelorn_log_capture.h"
#include "pelorn_paths.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using PelornTest::AsOtherAccount;
using PelornTest::BuiltProgram;
using PelornTest::ProgramRun;
using PelornTest::ReadFile;
using PelornTest::RunProgram;
using PelornTest::ScopedTestDirs;

namespace
{
const unsigned OTHER_UID = 1000;     // the account that runs the application
const unsigned INTRUDER_UID = 65534; // another local account
const char* const POPUP_ID = "com.quenlor.permissionpopup";

/* A scratch folder every account may enter, sticky like /tmp; removed at the end. */
struct SharedScratch
{
    std::string path;
    SharedScratch()
    {
        path = PelornTest::MakeTempDir("pelorn-shared-XXXXXX");
        chmod(path.c_str(), 01777);
    }
    ~SharedScratch()
    {
        PelornTest::RemoveTree(path);
    }
};

/* A missing file has neither mode nor owner. */
struct stat Stat(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        st.st_mode = st.st_uid = 0xffffu;
    return st;
}
unsigned Mode(const std::string& path)
{
    return Stat(path).st_mode & 07777;
}

std::string Described(const ProgramRun& run)
{
    return "status " + std::to_string(run.status) + (run.timedOut ? " (timed out)" : "") +
           ", stderr: " + run.err;
}

size_t Count(const std::string& text, const std::string& needle)
{
    size_t n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        n++;
    return n;
}
} // namespace

TEST(PrivateFolders, LinksLooseModesAndOtherOwnersAreRefusedOwnReadableFoldersAreClosed)
{
    ScopedTestDirs dirs;
    const std::string root = dirs.StateDir() + "/cases";
    for (const auto& folder :
         {std::make_pair("target", 0700), std::make_pair("shared", 0770), std::make_pair("readable", 0755),
          std::make_pair("open", 0770), std::make_pair("foreign", 0700)})
    {
        ASSERT_EQ(0, g_mkdir_with_parents((root + "/" + folder.first).c_str(), 0700));
        ASSERT_EQ(0, chmod((root + "/" + folder.first).c_str(), folder.second));
    }
    for (const char* link : {"/link", "/via"})
        ASSERT_EQ(0, symlink((root + "/target").c_str(), (root + link).c_str()));
    const bool foreign = getuid() == 0 && chown((root + "/foreign").c_str(), INTRUDER_UID, INTRUDER_UID) == 0;

    // The folders above count too: one its group may change (or another
    // account owns) could have ours swapped away; a link of our own is only a way there.
    const struct
    {
        const char* folder;
        const char* refusal; // nullptr: taken
    } cases[] = {{"link", "symbolic link"},
                 {"shared", "may be changed by other accounts"},
                 {"readable", nullptr},
                 {"foreign", "belongs to another account"},
                 {"open/state", "/open may be changed by other accounts"},
                 {"via/state", nullptr},
                 {"foreign/state", "/foreign belongs to another account"}};
    for (const auto& c : cases)
    {
        if (g_str_has_prefix(c.folder, "foreign") && !foreign)
            continue;
        ProgramRun run = RunProgram(
            {BuiltProgram("vconftool"), "set", "-t", "int", "db/pelorn/x", "1"},
            {"PELORN_STATE_DIR=" + root + "/" + c.folder, "PELORN_RUNTIME_DIR=" + dirs.RuntimeDir()});
        EXPECT_TRUE(run.Exited(c.refusal ? PELORN_PATHS_REFUSED_STATUS : 0))
            << c.folder << ": " << Described(run);
        EXPECT_TRUE(!c.refusal || run.err.find(c.refusal) != std::string::npos) << run.err;
    }
    EXPECT_FALSE(g_file_test((root + "/target/vconf").c_str(), G_FILE_TEST_EXISTS))
        << "written through the link";
    EXPECT_EQ(0700u, Mode(root + "/readable")) << "an own folder others could read is closed";

    // The fallback runtime folder used to be taken as it stood: another account
    // that made it first fed the application its proxy setting and phone socket.
    const std::vector<std::string> asUser = AsOtherAccount(OTHER_UID);
    if (asUser.empty())
        GTEST_SKIP() << "the runtime folder made by another account needs root and setpriv";
    SharedScratch shared;
    const std::string planted = shared.path + "/pelorn-" + std::to_string(OTHER_UID);
    ASSERT_EQ(0, g_mkdir_with_parents((planted + "/vconf/memory/dnet").c_str(), 0777));
    ASSERT_TRUE(g_file_set_contents((planted + "/vconf/memory/dnet/proxy").c_str(),
                                    "s:http://intruder:3128\n", -1, nullptr));
    RunProgram({"chown", "-R", std::to_string(INTRUDER_UID), planted});
    RunProgram({"chmod", "-R", "a+rX", planted});
    ASSERT_EQ(INTRUDER_UID, Stat(planted).st_uid);

    // A program at the top of a build tree would take that tree's run folders;
    // an installed one falls back to the temporary folder, as here.
    const std::string tool = shared.path + "/vconftool";
    ASSERT_TRUE(RunProgram({"cp", BuiltProgram("vconftool"), tool}).Exited(0));
    ASSERT_EQ(0, g_chmod(tool.c_str(), 0755));
    std::vector<std::string> cmd = asUser;
    cmd.insert(cmd.end(), {tool, "get", "memory/dnet/proxy"});
    const std::vector<std::string> env = {"TMPDIR=" + shared.path,
                                          "PELORN_STATE_DIR=" + shared.path + "/state", "-PELORN_RUNTIME_DIR",
                                          "-XDG_RUNTIME_DIR"};
    ProgramRun run = RunProgram(cmd, env);
    EXPECT_TRUE(run.Exited(PELORN_PATHS_REFUSED_STATUS)) << Described(run);
    EXPECT_EQ(std::string::npos, run.out.find("intruder")) << "the planted proxy was read: " << run.out;
    EXPECT_NE(std::string::npos, run.err.find("refusing to use runtime folder " + planted)) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("belongs to another account")) << run.err;

    // Once the planted folder is gone the same run makes its own, private one.
    RunProgram({"rm", "-rf", planted});
    cmd.back() = "memory/pelorn/test";
    run = RunProgram(cmd, env);
    EXPECT_TRUE(run.Exited(1)) << "an unset key reads as unreadable; " << Described(run);
    EXPECT_EQ(OTHER_UID, Stat(planted).st_uid);
    EXPECT_EQ(0700u, Mode(planted));
}

/* The phone's address was logged as it came: a newline in it wrote a line
 * that looked like one of ours. pelorn.log held the phone's position for
 * every account to read, and grew without end. */
TEST(LogFile, ControlCharactersAreShownSoEveryCallIsOneBoundedLineAndTheFileIsPrivateAndRotated)
{
    ScopedTestDirs dirs;
    const std::string forged = "A\n12-07 00:00:00.000 E/pelorn-p(1): FORGED";
    const std::vector<std::pair<std::string, std::string>> texts = {
        {forged, "A\\x0a12-07"},
        {"esc \x1b[2J\x1b]0;title\x07", "esc \\x1b[2J\\x1b]0;title\\x07"},
        {"cr\rover", "cr\\x0dover"},
        {"tab\tdel\x7f", "tab\\x09del\\x7f"},
        {std::string(20000, 'q'), "qqq... (200"},
    };
    // The colour codes are the ones the application's LOGE wraps every text in.
    for (const auto& text : texts)
        dlog_print(DLOG_ERROR, "pelorn-p", "x.cpp: f(1) > \033[0;40;31maddress %s\033[0;m",
                   text.first.c_str());
    dlog_print(DLOG_INFO, "test", "nul %s", std::string("before\0after", 12).c_str());
    ASSERT_TRUE(pelorn_log_flush());

    const std::string log = dirs.StateDir() + "/pelorn.log";
    gchar** lines = g_strsplit(ReadFile(log).c_str(), "\n", -1);
    ASSERT_EQ(texts.size() + 2, g_strv_length(lines)) << ReadFile(log); // one per call and the empty rest
    for (size_t i = 0; i < texts.size(); i++)
    {
        const std::string line = lines[i];
        EXPECT_NE(std::string::npos, line.find(texts[i].second)) << line;
        EXPECT_LE(line.size(), 2200u);
        EXPECT_EQ(std::string::npos, line.find_first_of("\r\x1b\x7f")) << line;
        EXPECT_EQ(std::string::npos, line.find("0;40;31m")) << "our own colour codes stay out of the file";
    }
    EXPECT_NE(std::string::npos, std::string(lines[texts.size()]).find("nul before"));
    g_strfreev(lines);

    ASSERT_TRUE(g_file_set_contents(log.c_str(), "line from an older version\n", -1, nullptr));
    chmod(log.c_str(), 0644);
    g_setenv("PELORN_LOG_MAX_BYTES", "4096", TRUE);
    pelorn_paths_reset(); // the log is opened again

    const std::string filler(80, 'x');
    for (int i = 0; i < 300; i++)
        dlog_print(DLOG_INFO, "test", "line %03d %s", i, filler.c_str());
    ASSERT_TRUE(pelorn_log_flush());
    g_unsetenv("PELORN_LOG_MAX_BYTES");

    EXPECT_EQ(0600u, Mode(log));
    EXPECT_EQ(0600u, Mode(log + ".1"));
    const std::string current = ReadFile(log);
    const std::string old = ReadFile(log + ".1");
    EXPECT_LE(current.size(), 4096u + 200u);
    EXPECT_GE(old.size(), 4096u);
    EXPECT_NE(std::string::npos, current.find("line 299 ")) << "the newest line belongs in the current file";
    EXPECT_EQ(std::string::npos, (old + current).find("line 000 ")) << "more than one old file was kept";
    EXPECT_FALSE(g_file_test((log + ".2").c_str(), G_FILE_TEST_EXISTS));
}

/* Run by the case below as a program of its own: logs and leaves at once. */
TEST(LogFile, HelperThatLogsAndLeaves)
{
    if (!g_getenv("PELORN_TEST_LOG_AND_LEAVE"))
        GTEST_SKIP() << "run by LinesOfAProcessThatLeavesAtOnceAreAllThereInOrder";
    for (int i = 0; i < 500; i++)
        dlog_print(DLOG_INFO, "test", "helper line %03d", i);
    exit(0); // not _exit: the way an app leaves
}

/* The file is written behind the caller's back: a process that logs and
 * leaves at once must still leave every line, in order. */
TEST(LogFile, LinesOfAProcessThatLeavesAtOnceAreAllThereInOrder)
{
    ScopedTestDirs dirs;
    const int pid =
        PelornTest::SpawnProgram({"/proc/self/exe", "--gtest_filter=LogFile.HelperThatLogsAndLeaves"},
                                 {"PELORN_TEST_LOG_AND_LEAVE=1"});
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_TRUE(PelornTest::WaitChild(pid, &status));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const std::string log = ReadFile(dirs.StateDir() + "/pelorn.log");
    size_t at = 0;
    for (int i = 0; i < 500; i++)
    {
        char needle[32];
        snprintf(needle, sizeof(needle), "helper line %03d", i);
        const size_t next = log.find(needle, at);
        ASSERT_NE(std::string::npos, next) << needle << " missing or out of order";
        at = next;
    }
}

namespace
{
/* The log writer's task folder under /proc, or empty text. */
std::string WriterTask()
{
    std::string found;
    GDir* tasks = g_dir_open("/proc/self/task", 0, nullptr);
    while (const char* tid = tasks ? g_dir_read_name(tasks) : nullptr)
        if (ReadFile(std::string("/proc/self/task/") + tid + "/comm") == "pelorn-log\n")
            found = std::string("/proc/self/task/") + tid;
    if (tasks)
        g_dir_close(tasks);
    return found;
}

/* Until the writer sleeps (after a flush it still has to go back to
 * waiting, which counts as one more switch). */
bool WaitWriterAsleep()
{
    const gint64 until = g_get_monotonic_time() + (gint64)PelornTest::HANG_MS * 1000;
    while (g_get_monotonic_time() < until)
    {
        const std::string stat = ReadFile(WriterTask() + "/stat");
        const size_t paren = stat.rfind(')');
        if (paren != std::string::npos && stat.compare(paren, 4, ") S ") == 0)
            return true;
        g_usleep(1000);
    }
    return false;
}

/* The log writer's voluntary switches: one more each time it is woken and
 * goes back to waiting. -1 when no writer runs. */
long long WriterSwitches()
{
    const std::string task = WriterTask();
    const std::string status = task.empty() ? std::string() : ReadFile(task + "/status");
    const size_t at = status.find("\nvoluntary_ctxt_switches:");
    return at == std::string::npos ? -1 : g_ascii_strtoll(status.c_str() + at + 26, nullptr, 10);
}

/* What the writer did while one turn of the main loop logged `lines` lines
 * and then waited up to waitMs for the writer to wake. */
struct Turn
{
    int lines = 0;
    int waitMs = 0;
    long long before = -1;
    long long after = -1;
    bool done = false;
};

Turn LogInATurn(PelornTest::UiTestHarness& ui, int lines, int waitMs)
{
    Turn turn;
    turn.lines = lines;
    turn.waitMs = waitMs;
    ecore_timer_add(
        0.0,
        [](void* data) -> Eina_Bool
        {
            Turn* t = static_cast<Turn*>(data);
            t->before = WriterSwitches();
            for (int i = 0; i < t->lines; i++)
                dlog_print(DLOG_INFO, "test", "logged in the turn, line %d", i);
            const gint64 until = g_get_monotonic_time() + (gint64)t->waitMs * 1000;
            while (WriterSwitches() == t->before && g_get_monotonic_time() < until)
                g_usleep(1000);
            t->after = WriterSwitches();
            t->done = true;
            return ECORE_CALLBACK_CANCEL;
        },
        &turn);
    EXPECT_TRUE(ui.RunUntil([&] { return turn.done; }, waitMs + PelornTest::HANG_MS));
    return turn;
}
} // namespace

/* A line logged in a turn of the main loop (a tap on its way to the phone)
 * leaves the writer asleep for the rest of the turn; the loop wakes it as it
 * next waits, and the line is written without anyone asking. */
TEST(LogFile, ALineLoggedInALoopTurnWakesTheWriterOnlyOnceTheLoopWaits)
{
    ScopedTestDirs dirs;
    PelornTest::UiTestHarness& ui = PelornTest::UiTestHarness::Get();
    const std::string log = dirs.StateDir() + "/pelorn.log";
    // A line of another thread (one a test before this left running) wakes
    // the writer as it should: a turn counts only when the file got nothing
    // but the turn's own line.
    Turn turn;
    for (int attempt = 0; attempt < 5; attempt++)
    {
        dlog_print(DLOG_INFO, "test", "the writer runs");
        ASSERT_TRUE(pelorn_log_flush());
        ASSERT_TRUE(WaitWriterAsleep());
        const size_t mark = ReadFile(log).size();
        // A writer woken in the turn would be back to waiting long before 300 ms.
        turn = LogInATurn(ui, 1, 300);
        std::string written;
        ASSERT_TRUE(ui.RunUntil(
            [&]
            {
                written = ReadFile(log).substr(mark);
                return written.find("logged in the turn, line 0") != std::string::npos;
            },
            PelornTest::HANG_MS))
            << "the line of the turn never reached the file";
        if (std::count(written.begin(), written.end(), '\n') == 1)
            break;
    }
    ASSERT_GE(turn.before, 0) << "no writer thread was found";
    EXPECT_EQ(turn.after, turn.before) << "the writer was woken in the middle of the turn";

    // A turn that logs on and on wakes it all the same, before the queue's
    // bound would drop lines.
    ASSERT_TRUE(pelorn_log_flush());
    ASSERT_TRUE(WaitWriterAsleep());
    const Turn flood = LogInATurn(ui, 1000, PelornTest::HANG_MS);
    EXPECT_NE(flood.after, flood.before) << "a turn's thousand lines left the writer asleep";
}

class PopupProgram : public ::testing::Test
{
protected:
    std::vector<std::string> Command(std::vector<std::string> args) const
    {
        args.insert(args.begin(), BuiltProgram(POPUP_ID));
        return args;
    }
    std::vector<std::string> Env(const std::string& answer = "") const
    {
        std::vector<std::string> env = {std::string("PELORN_APP_ID=") + POPUP_ID, "PELORN_HANDOVER_MS=2000"};
        env.push_back(answer.empty() ? "-PELORN_ANSWER_COM_QUENLOR_PERMISSIONPOPUP"
                                     : "PELORN_ANSWER_COM_QUENLOR_PERMISSIONPOPUP=" + answer);
        return env;
    }
    std::string Log() const
    {
        return ReadFile(mDirs.StateDir() + "/pelorn.log");
    }

    ScopedTestDirs mDirs;
};

/* --reply-socket=PATH in a launch request made the application connect to
 * any socket on the machine; kill -9 during writes left temporary files of
 * the settings store and the preferences behind for good. With the first
 * instance stopped, a launcher took 10 s and reported success, twelve queued
 * on a lock, and after SIGCONT all their requests were carried out. */
TEST_F(PopupProgram, RepliesGoOnlyToItsFolderKilledWritersLeaveNoFilesAndAStoppedInstanceTakesNoLaunch)
{
    const int dead = PelornTest::SpawnProgram({"/bin/true"});
    ASSERT_TRUE(PelornTest::WaitChild(dead));
    const std::string deadPid = std::to_string((long)dead);
    const std::string livePid = std::to_string((long)getpid());

    const std::string dbDir = mDirs.StateDir() + "/vconf/db/pelorn";
    const std::string memDir = mDirs.RuntimeDir() + "/vconf/memory/pelorn";
    const std::string prefDir = mDirs.StateDir() + "/preferences";
    for (const std::string& d : {dbDir, memDir, prefDir})
        ASSERT_EQ(0, g_mkdir_with_parents(d.c_str(), 0700));
    const std::pair<std::string, bool> files[] = {// name, kept
                                                  {dbDir + "/key.tmp." + deadPid + ".17", false},
                                                  {memDir + "/key.tmp." + deadPid + ".4", false},
                                                  {prefDir + "/" + POPUP_ID + ".ini.Ab3dE9", false},
                                                  {dbDir + "/key.tmp." + livePid + ".5", true},
                                                  {dbDir + "/key", true},
                                                  {prefDir + "/com.example.other.ini.Zz9yX1", true},
                                                  {prefDir + "/" + POPUP_ID + ".ini", true}};
    for (const auto& f : files)
        ASSERT_TRUE(g_file_set_contents(f.first.c_str(), "i:1\n", -1, nullptr));

    const std::string outside = mDirs.StateDir() + "/elsewhere.sock";
    const std::string replies = mDirs.RuntimeDir() + "/replies";
    ASSERT_EQ(0, g_mkdir_with_parents(replies.c_str(), 0700));
    const std::string inside = replies + "/1-1.sock";
    const std::string linked = replies + "/1-2.sock";
    const int outsideFd = PelornTest::ListenUnix(outside);
    const int insideFd = PelornTest::ListenUnix(inside);
    ASSERT_GE(outsideFd, 0);
    ASSERT_GE(insideFd, 0);
    ASSERT_EQ(0, symlink(outside.c_str(), linked.c_str()));

    for (const std::string& path : {outside, linked, replies + "/../../state/elsewhere.sock"})
    {
        ProgramRun run = RunProgram(Command({"--reply-socket=" + path}), Env("yes"), 20000);
        EXPECT_TRUE(run.Exited(0)) << path << ": " << Described(run);
        EXPECT_LT(accept(outsideFd, nullptr, nullptr), 0) << "connected to " << path;
    }
    EXPECT_EQ(3u, Count(Log(), "reply socket refused"));
    for (const auto& f : files)
        EXPECT_EQ(f.second, !!g_file_test(f.first.c_str(), G_FILE_TEST_EXISTS))
            << f.first << (f.second ? " was removed" : " was left");

    ProgramRun run = RunProgram(Command({"--reply-socket=" + inside}), Env("yes"), 20000);
    EXPECT_TRUE(run.Exited(0)) << Described(run);
    int conn = accept(insideFd, nullptr, nullptr);
    EXPECT_GE(conn, 0) << "the answer did not come back over our own reply socket";
    if (conn >= 0)
        close(conn);
    close(outsideFd);
    close(insideFd);

    const size_t asked = Count(Log(), "asks:");
    const int first = PelornTest::SpawnProgram(
        Command({"--extra=n=first"}),
        {std::string("PELORN_APP_ID=") + POPUP_ID, "-PELORN_ANSWER_COM_QUENLOR_PERMISSIONPOPUP"});
    ASSERT_GT(first, 0);
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return Count(Log(), "asks:") == asked + 1; }, 20000)) << Log();

    // A request far past any command line, streamed at the launch socket, is
    // dropped unread past its first mebibyte, not taken.
    const std::string pad = "--extra=pad=" + std::string(2 << 20, 'p');
    const gchar* huge[] = {"--extra=n=huge", pad.c_str(), nullptr};
    GVariant* request = g_variant_ref_sink(
        g_variant_new("(x^as)", g_get_monotonic_time() + 60 * G_USEC_PER_SEC, huge));
    const int launch = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    struct sockaddr_un address;
    ASSERT_TRUE(pelorn_unix_address(mDirs.RuntimeDir() + "/apps/" + POPUP_ID + ".launch", &address));
    ASSERT_EQ(0, connect(launch, (struct sockaddr*)&address, sizeof(address)));
    PelornTest::HangRescue unstuck([launch] { shutdown(launch, SHUT_RDWR); });
    const char* bytes = static_cast<const char*>(g_variant_get_data(request));
    size_t left = g_variant_get_size(request);
    ssize_t sent = 1;
    while (left > 0 && (sent = send(launch, bytes, left, MSG_NOSIGNAL)) > 0)
        bytes += sent, left -= (size_t)sent;
    // As a launcher does: the request is taken only once its sender hears so.
    shutdown(launch, SHUT_WR);
    char ack = 0;
    EXPECT_FALSE(sent > 0 && recv(launch, &ack, 1, 0) == 1) << "the oversized request was taken";
    EXPECT_TRUE(unstuck.End()) << "the popup neither read on nor let the oversized request go";
    close(launch);
    g_variant_unref(request);

    kill(first, SIGSTOP);
    // Whether launchers queue is the app's hand-over test's to show: these come one by one.
    for (const char* n : {"--extra=n=0", "--extra=n=1", "--extra=n=2"})
    {
        const ProgramRun launcher = RunProgram(Command({n}), Env(), 120000);
        EXPECT_TRUE(!launcher.timedOut && WIFEXITED(launcher.status) && WEXITSTATUS(launcher.status) != 0)
            << n << ": a launcher reported success to a stopped instance, or still waited; "
            << Described(launcher);
        EXPECT_NE(std::string::npos, launcher.err.find("did not take the launch request"))
            << n << ": a launcher does not say on stderr why it failed";
    }

    // One launcher wedged while holding the start-up lock holds no other past its time.
    const int lock =
        open((mDirs.RuntimeDir() + "/apps/" + POPUP_ID + ".launch.lock").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(0, flock(lock, LOCK_EX));
    ProgramRun wedged = RunProgram(Command({"--extra=n=wedged"}), Env(), 20000);
    close(lock);
    EXPECT_FALSE(wedged.timedOut) << "a launcher waited for the start-up lock past its time";
    EXPECT_NE(std::string::npos, wedged.err.find("did not take the launch request")) << Described(wedged);

    // Awake again, it takes the next launch at once; the requests queued before
    // it, given up on by their senders, are dropped on the way, not carried out.
    kill(first, SIGCONT);
    run = RunProgram(Command({"--extra=n=after"}), Env(), 10000);
    EXPECT_TRUE(run.Exited(0)) << Described(run);
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return Count(Log(), "asks:") >= asked + 2; }, 5000));
    EXPECT_EQ(asked + 2, Count(Log(), "asks:")) << "a request its sender gave up on was carried out";
    EXPECT_GE(Count(Log(), "launch request dropped"), 1u);

    // Closing its terminal is the application's hand-over case to show, with the real phone.
    EXPECT_TRUE(PelornTest::EndChild(first));
}

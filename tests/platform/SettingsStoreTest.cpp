#include "TestEnvironment.h"
#include "app_preference.h"
#include "pelorn_paths.h"
#include "vconf.h"

#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using PelornTest::ReadFile;
using PelornTest::RunGlibFor;
using PelornTest::RunGlibUntil;
using PelornTest::ScopedTestDirs;

namespace
{
const char* const UNREADABLE = "(unreadable)";

std::string Str(const char* key)
{
    return PelornTest::StrKey(key, UNREADABLE);
}

/* A reader that blocks on a pipe would block for ever: the rescue opens the
 * pipe's other end after a minute (a hang, not a slow machine). */
PelornTest::HangRescue PipeRescue(const std::string& path)
{
    return PelornTest::HangRescue([path] { close(open(path.c_str(), O_WRONLY | O_NONBLOCK)); });
}

struct Heard
{
    int count = 0;
    int lastValue = -1;
    std::string lastName;
};

void KeyChangedCb(keynode_t* node, void* data)
{
    Heard* heard = static_cast<Heard*>(data);
    heard->count++;
    heard->lastValue = vconf_keynode_get_int(node);
    heard->lastName = vconf_keynode_get_name(node);
}

/* Three watchers of one key; the first swaps itself for the third when told. */
struct Trio
{
    Heard swapping, staying, added;
};
void AddedCb(keynode_t* node, void* data)
{
    KeyChangedCb(node, &static_cast<Trio*>(data)->added);
}
void StayingCb(keynode_t* node, void* data)
{
    KeyChangedCb(node, &static_cast<Trio*>(data)->staying);
}
void SwappingCb(keynode_t* node, void* data)
{
    KeyChangedCb(node, &static_cast<Trio*>(data)->swapping);
    vconf_ignore_key_changed(vconf_keynode_get_name(node), SwappingCb);
    vconf_notify_key_changed(vconf_keynode_get_name(node), AddedCb, data);
}

const int KEYS = 4;
const size_t VALUE_SIZE = 256 * 1024; // big enough that a write is often cut in the middle

std::string Key(int i)
{
    return (i % 2 ? "memory/crash/key" : "db/crash/key") + std::to_string(i);
}

/* The writer process: rewrites every key with generation n's text, forever,
 * starting with the new text, and reports each finished write with a byte on
 * the pipe, so that the parent knows how far it got without guessing. */
[[noreturn]] void WriteForever(const std::string& a, const std::string& b, int report)
{
    for (unsigned n = 0;; n++)
        for (int i = 0; i < KEYS; i++)
        {
            vconf_set_str(Key(i).c_str(), (n % 2 ? a : b).c_str());
            if (write(report, "w", 1) != 1)
                _exit(1);
        }
}
} // namespace

// Round trips are every caller's daily bread; what is checked here is where
// each kind of key lives, the one leniency (a bool reads as an int), and what
// is refused: a torn, foreign-typed or out-of-range file, a value that would
// not stay on one line, a write that cannot be put in place.
TEST(SettingsStore, ValuesLiveByKindAndBadOrHostileFilesAndWritesAreRefusedWithoutWaitingInBothStores)
{
    ScopedTestDirs dirs(false);
    int i = 0;
    ASSERT_EQ(vconf_set_int("db/test/int", -42), VCONF_OK);
    ASSERT_EQ(vconf_set_bool("memory/test/flag", 1), VCONF_OK);
    ASSERT_EQ(vconf_get_int("memory/test/flag", &i), VCONF_OK);
    EXPECT_EQ(i, 1);
    EXPECT_FALSE(ReadFile(dirs.StateDir() + "/vconf/db/test/int").empty()) << "db/ survives a restart";
    EXPECT_FALSE(ReadFile(dirs.RuntimeDir() + "/vconf/memory/test/flag").empty());

    i = 7;
    EXPECT_NE(vconf_get_int("db/test/missing", &i), VCONF_OK);
    EXPECT_EQ(Str("db/test/missing"), UNREADABLE);
    EXPECT_NE(vconf_set_int("nope/test", 1), VCONF_OK);
    const std::string dir = dirs.StateDir() + "/vconf/db/test";
    for (const char* text : {"i:12", "i:12x\n", "", "b:2\n", "q:1\n", "i:99999999999\n"})
    {
        ASSERT_TRUE(g_file_set_contents((dir + "/bad").c_str(), text, -1, nullptr));
        EXPECT_NE(vconf_get_int("db/test/bad", &i), VCONF_OK) << "accepted \"" << text << "\"";
    }
    EXPECT_EQ(i, 7);

    ASSERT_EQ(vconf_set_str("db/test/name", "before"), VCONF_OK);
    EXPECT_NE(vconf_set_str("db/test/name", "two\nlines"), VCONF_OK);
    EXPECT_EQ(Str("db/test/name"), "before");
    // The key's place is taken by a folder: the file can be written beside it but never put in place.
    ASSERT_EQ(0, g_mkdir_with_parents((dir + "/blocked/inside").c_str(), 0700));
    EXPECT_NE(vconf_set_int("db/test/blocked", 5), VCONF_OK);
    EXPECT_NE(vconf_get_int("db/test/blocked", &i), VCONF_OK);
    GDir* listing = g_dir_open(dir.c_str(), 0, nullptr);
    ASSERT_NE(listing, nullptr);
    while (const char* name = g_dir_read_name(listing))
        EXPECT_FALSE(g_str_has_prefix(name, "blocked.tmp")) << "a failed write left " << name;
    g_dir_close(listing);

    // Whoever can write beside the stores could leave a pipe, a huge file, a
    // link or a file of their own where a value should be: each reads as
    // unreadable at once (a pipe used to hold the reader until someone wrote
    // to it), and the stores keep working for the keys around it.
    ASSERT_EQ(mkfifo((dir + "/pipe").c_str(), 0600), 0);
    std::string huge = "s:" + std::string(1024 * 1024, 'x') + "\n";
    ASSERT_TRUE(g_file_set_contents((dir + "/huge").c_str(), huge.c_str(), (gssize)huge.size(), nullptr));
    ASSERT_TRUE(g_file_set_contents((dirs.StateDir() + "/elsewhere").c_str(), "i:5\n", -1, nullptr));
    ASSERT_EQ(symlink((dirs.StateDir() + "/elsewhere").c_str(), (dir + "/link").c_str()), 0);
    // A well-formed value in a file of another account's is not believed.
    ASSERT_TRUE(g_file_set_contents((dir + "/foreign").c_str(), "i:9\n", -1, nullptr));
    const bool canChown = chown((dir + "/foreign").c_str(), 65534, 65534) == 0;

    auto rescue = PipeRescue(dir + "/pipe");
    i = 7;
    EXPECT_TRUE(!canChown || vconf_get_int("db/test/foreign", &i) != VCONF_OK);
    EXPECT_NE(vconf_get_int("db/test/pipe", &i), VCONF_OK);
    EXPECT_EQ(Str("db/test/huge"), UNREADABLE);
    EXPECT_NE(vconf_get_int("db/test/link", &i), VCONF_OK);
    EXPECT_EQ(i, 7);
    EXPECT_TRUE(rescue.End()) << "a read waited on the pipe until its other end was opened";

    // The largest value the store writes reads back; one byte more is not written.
    const std::string longest(1024 * 1024 - 3, 'y');
    ASSERT_EQ(vconf_set_str("db/test/long", longest.c_str()), VCONF_OK);
    EXPECT_EQ(Str("db/test/long").size(), longest.size());
    EXPECT_EQ(vconf_set_str("db/test/long", (longest + "y").c_str()), VCONF_ERROR_WRONG_VALUE);
    ASSERT_EQ(vconf_set_int("db/test/pipe2", 3), VCONF_OK);
    ASSERT_EQ(vconf_get_int("db/test/pipe2", &i), VCONF_OK);
    EXPECT_EQ(i, 3);

    // The preferences' file is also written by others (a test, a restore from
    // the phone): what they put on disk is read again and kept by the next set.
    const char* const key = "WORZ_PREF_BOOL_PERMISSION_CHECKED";
    g_mkdir_with_parents((dirs.StateDir() + "/preferences").c_str(), 0700);
    const std::string path = dirs.StateDir() + "/preferences/" + pelorn_app_id() + ".ini";
    huge = "[preferences]\n" + std::string(key) + "=true\n# " + std::string(1024 * 1024, 'x') + "\n";
    ASSERT_TRUE(g_file_set_contents(path.c_str(), huge.c_str(), (gssize)huge.size(), nullptr));
    bool b = false;
    EXPECT_EQ(preference_get_boolean(key, &b), PREFERENCE_ERROR_NO_KEY);
    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    auto prefRescue = PipeRescue(path);
    EXPECT_EQ(preference_get_boolean(key, &b), PREFERENCE_ERROR_NO_KEY);
    EXPECT_TRUE(prefRescue.End()) << "the read waited on the pipe until its other end was opened";
    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_EQ(preference_set_boolean(key, true), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_get_boolean(key, &b), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(b);
    EXPECT_LT(ReadFile(path).size(), 1024u);

    int value = 0;
    ASSERT_EQ(preference_set_int("count", 1), PREFERENCE_ERROR_NONE);
    ASSERT_EQ(preference_get_int("count", &value), PREFERENCE_ERROR_NONE);
    ASSERT_TRUE(g_file_set_contents(path.c_str(), "[preferences]\ncount=7\n", -1, nullptr));
    ASSERT_EQ(preference_get_int("count", &value), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(value, 7);
    const char* const address = "1 Main Street; Springfield = \"x\"";
    ASSERT_EQ(preference_set_string("addr", address), PREFERENCE_ERROR_NONE);
    EXPECT_NE(ReadFile(path).find("count=7"), std::string::npos) << ReadFile(path);
    char* s = nullptr;
    ASSERT_EQ(preference_get_string("addr", &s), PREFERENCE_ERROR_NONE);
    EXPECT_STREQ(s, address);
    free(s);
}

namespace
{
int IntOf(const char* key)
{
    int value = -1;
    return vconf_get_int(key, &value) == VCONF_OK ? value : -1;
}

/* As a shell's "echo i:N > file" does it: the same file, cut and written. */
void WriteInPlace(const std::string& path, const char* text)
{
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ((ssize_t)strlen(text), write(fd, text, strlen(text)));
    close(fd);
}
} // namespace

// What a read found is kept until the key's folder tells of a change: the
// read right after any change to the file, however it was made, sees it.
TEST(SettingsStore, EveryChangeToAKeysFileIsSeenByTheNextRead)
{
    ScopedTestDirs dirs(false);
    const char* const key = "db/seen/key";
    const std::string dir = dirs.StateDir() + "/vconf/db/seen";
    const std::string file = dir + "/key";
    ASSERT_EQ(vconf_set_int(key, 1), VCONF_OK);
    EXPECT_EQ(IntOf(key), 1);
    EXPECT_EQ(IntOf(key), 1);
    WriteInPlace(file, "i:2\n");
    EXPECT_EQ(IntOf(key), 2) << "written in place";
    ASSERT_TRUE(g_file_set_contents(file.c_str(), "i:3\n", -1, nullptr));
    EXPECT_EQ(IntOf(key), 3) << "replaced by a rename";
    ASSERT_EQ(0, unlink(file.c_str()));
    EXPECT_EQ(IntOf(key), -1) << "removed";
    EXPECT_EQ(IntOf(key), -1);
    ASSERT_TRUE(g_file_set_contents(file.c_str(), "i:4\n", -1, nullptr));
    EXPECT_EQ(IntOf(key), 4) << "made again after a read found none";
    ASSERT_TRUE(g_file_set_contents((dir + "/other").c_str(), "i:9\n", -1, nullptr));
    EXPECT_EQ(IntOf("db/seen/other"), 9);
    EXPECT_EQ(IntOf(key), 4) << "a neighbour's change is not this key's";

    // The folder itself goes and comes back, or is moved away and another
    // takes its place: the keys are read from what is there now.
    ASSERT_EQ(0, unlink((dir + "/other").c_str()));
    ASSERT_EQ(0, unlink(file.c_str()));
    ASSERT_EQ(0, rmdir(dir.c_str()));
    ASSERT_EQ(0, mkdir(dir.c_str(), 0700));
    ASSERT_TRUE(g_file_set_contents(file.c_str(), "i:5\n", -1, nullptr));
    EXPECT_EQ(IntOf(key), 5) << "folder made again";
    ASSERT_EQ(0, rename(dir.c_str(), (dir + ".old").c_str()));
    ASSERT_EQ(0, mkdir(dir.c_str(), 0700));
    ASSERT_TRUE(g_file_set_contents(file.c_str(), "i:6\n", -1, nullptr));
    EXPECT_EQ(IntOf(key), 6) << "folder moved away and replaced";

    // A child made by fork shares the parent's descriptors; what it reads must
    // not take the news of a change away from the parent.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        const bool ok = g_file_set_contents(file.c_str(), "i:7\n", -1, nullptr) && IntOf(key) == 7;
        _exit(ok ? 0 : 1);
    }
    int status = -1;
    ASSERT_TRUE(PelornTest::WaitChild(child, &status));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child did not read its own write";
    EXPECT_EQ(IntOf(key), 7) << "the child's read took the parent's news";

    // Given to another account after it was read, the file is not believed.
    if (chown(file.c_str(), 65534, 65534) == 0)
    {
        EXPECT_EQ(IntOf(key), -1) << "another account's file was read from memory";
    }
}

// Keys in one folder share its watch: each is still told apart, dropping one
// key's last watcher must not deafen the other, and a file written in place
// by another program (not replaced) is a change too, once complete. A watcher
// added or removed by a callback counts from the next change on, and the
// others are told this one all the same. A key that already exists when
// watched is not told of a touch that leaves it as it was.
TEST(SettingsStore, ChangesAreHeardOnTheMainLoopOnceApartFromNeighboursUntilIgnored)
{
    ScopedTestDirs dirs(false);
    Heard first, second;
    ASSERT_EQ(vconf_notify_key_changed("db/test/first", KeyChangedCb, &first), VCONF_OK);
    ASSERT_EQ(vconf_notify_key_changed("db/test/second", KeyChangedCb, &second), VCONF_OK);

    ASSERT_EQ(vconf_set_int("db/test/first", 7), VCONF_OK);
    EXPECT_EQ(first.count, 0) << "notifications must come from the main loop, not from inside set";
    ASSERT_TRUE(RunGlibUntil([&] { return first.count > 0; }));
    RunGlibFor(100);
    EXPECT_EQ(first.count, 1);
    EXPECT_EQ(first.lastValue, 7);
    EXPECT_EQ(second.count, 0) << "a neighbour's change is not this key's";

    // Only the callback that was added can be removed, and only once.
    EXPECT_NE(vconf_ignore_key_changed("db/test/first", AddedCb), VCONF_OK);
    ASSERT_EQ(vconf_ignore_key_changed("db/test/first", KeyChangedCb), VCONF_OK);
    EXPECT_NE(vconf_ignore_key_changed("db/test/first", KeyChangedCb), VCONF_OK);
    FILE* file = fopen((dirs.StateDir() + "/vconf/db/test/second").c_str(), "w");
    ASSERT_NE(file, nullptr);
    RunGlibFor(100); // the writer is slow: the file stays empty a while
    EXPECT_EQ(second.count, 0) << "told while the file was still empty";
    fputs("i:9\n", file);
    fclose(file);
    ASSERT_TRUE(RunGlibUntil([&] { return second.count > 0; }))
        << "the shared folder's watch went with the first key";
    RunGlibFor(100);
    EXPECT_EQ(second.count, 1) << "heard once, when complete, not also while still empty";
    EXPECT_EQ(second.lastValue, 9);
    EXPECT_EQ(second.lastName, "db/test/second");

    // The neighbour's change, made after, is heard after: by then the ignored key would have been.
    ASSERT_EQ(vconf_set_int("db/test/first", 8), VCONF_OK);
    ASSERT_EQ(vconf_set_int("db/test/second", 10), VCONF_OK);
    ASSERT_TRUE(RunGlibUntil([&] { return second.lastValue == 10; }));
    EXPECT_EQ(first.count, 1) << "an ignored key is not told any more";
    vconf_ignore_key_changed("db/test/second", KeyChangedCb);

    ASSERT_EQ(vconf_set_int("db/test/watched", 1), VCONF_OK);
    Trio trio;
    ASSERT_EQ(vconf_notify_key_changed("db/test/watched", SwappingCb, &trio), VCONF_OK);
    ASSERT_EQ(vconf_notify_key_changed("db/test/watched", StayingCb, &trio), VCONF_OK);
    ASSERT_EQ(chmod((dirs.StateDir() + "/vconf/db/test/watched").c_str(), 0640), 0);
    RunGlibFor(100);

    for (int value : {2, 3})
    {
        ASSERT_EQ(vconf_set_int("db/test/watched", value), VCONF_OK);
        ASSERT_TRUE(RunGlibUntil([&] { return trio.staying.lastValue == value; })) << value;
    }
    EXPECT_EQ(trio.swapping.count, 1);
    EXPECT_EQ(trio.swapping.lastValue, 2);
    EXPECT_EQ(trio.staying.count, 2) << "told of the touch, or skipped when the first watcher swapped";
    EXPECT_EQ(trio.added.count, 1) << "a watcher added by a callback was told the change it was added in";
    EXPECT_EQ(trio.added.lastValue, 3);
    vconf_ignore_key_changed("db/test/watched", StayingCb);
    vconf_ignore_key_changed("db/test/watched", AddedCb);
}

TEST(SettingsStoreCrash, WriterKilledMidWriteLeavesOldOrNewValue)
{
    ScopedTestDirs dirs(false);
    const std::string a(VALUE_SIZE, 'a');
    const std::string b(VALUE_SIZE, 'b');
    for (int i = 0; i < KEYS; i++)
        ASSERT_EQ(vconf_set_str(Key(i).c_str(), a.c_str()), VCONF_OK);

    bool sawB = false;
    for (int round = 0; round < 30; round++)
    {
        int report[2];
        ASSERT_EQ(0, pipe(report));
        pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0)
        {
            close(report[0]);
            WriteForever(a, b, report[1]);
        }
        close(report[1]);
        // Killed as soon as it reported a chosen write: it is then inside or
        // just before the next one, wherever the machine's speed puts it. A
        // writer that stopped reporting is killed after a minute (a hang).
        PelornTest::HangRescue rescue([writer] { kill(writer, SIGKILL); });
        int left = g_random_int_range(1, 2 * KEYS + 1);
        char byte;
        while (left > 0 && read(report[0], &byte, 1) == 1)
            left--;
        const bool reported = rescue.End() && left == 0;
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        close(report[0]);
        ASSERT_TRUE(reported) << "the writer stopped reporting in round " << round;

        for (int i = 0; i < KEYS; i++)
        {
            const std::string text = Str(Key(i).c_str());
            ASSERT_TRUE(text == a || text == b)
                << Key(i) << " holds " << text.size() << " bytes starting \"" << text.substr(0, 12)
                << "\" after the kill in round " << round;
            sawB = sawB || text == b;
        }
    }
    EXPECT_TRUE(sawB) << "no new value was read back; the test proved nothing";
}

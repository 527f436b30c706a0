#include "TestEnvironment.h"
#include "vconf.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

using PelornTest::ScopedTestDirs;

namespace
{
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

/* Reads reports until the count-th, or until the writer is gone or a minute
 * passed (a hang, not a slow machine). */
bool WaitForReports(int fd, int count)
{
    const gint64 deadline = g_get_monotonic_time() + 60 * G_USEC_PER_SEC;
    char byte;
    while (count > 0)
    {
        struct pollfd p = {fd, POLLIN, 0};
        const int left = (int)((deadline - g_get_monotonic_time()) / 1000);
        if (left <= 0 || poll(&p, 1, left) <= 0 || read(fd, &byte, 1) != 1)
            return false;
        count--;
    }
    return true;
}
} // namespace

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
        // just before the next one, wherever the machine's speed puts it.
        const bool reported = WaitForReports(report[0], g_random_int_range(1, 2 * KEYS + 1));
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        close(report[0]);
        ASSERT_TRUE(reported) << "the writer stopped reporting in round " << round;

        for (int i = 0; i < KEYS; i++)
        {
            char* value = vconf_get_str(Key(i).c_str());
            ASSERT_NE(value, nullptr) << Key(i) << " unreadable after kill in round " << round;
            std::string text(value);
            free(value);
            ASSERT_TRUE(text == a || text == b)
                << Key(i) << " holds " << text.size() << " bytes starting \"" << text.substr(0, 8) << "\"";
            sawB = sawB || text == b;
        }
    }
    EXPECT_TRUE(sawB) << "no new value was read back; the test proved nothing";
}

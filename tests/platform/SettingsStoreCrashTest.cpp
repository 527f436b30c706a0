#include "TestEnvironment.h"
#include "vconf.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <string>
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

/* The writer process: rewrites every key with generation n's text, forever. */
[[noreturn]] void WriteForever(const std::string& a, const std::string& b)
{
    for (unsigned n = 0;; n++)
        for (int i = 0; i < KEYS; i++)
            vconf_set_str(Key(i).c_str(), (n % 2 ? b : a).c_str());
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
        pid_t writer = fork();
        ASSERT_GE(writer, 0);
        if (writer == 0)
            WriteForever(a, b);
        g_usleep(g_random_int_range(2000, 25000));
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);

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
    EXPECT_TRUE(sawB) << "the writer never got a value through; the test proved nothing";
}

#include <gtest/gtest.h>
#include <stdlib.h>

/* Logs stay out of the test output unless PELORN_TEST_VERBOSE is set; they
 * are still captured for assertions and written to each test's state folder. */
int main(int argc, char** argv)
{
    if (!getenv("PELORN_TEST_VERBOSE"))
        setenv("PELORN_LOG_STDERR", "0", 1);
    setenv("ECORE_NO_SYSTEM_MODULES", "1", 0);
    setenv("EINA_LOG_BACKTRACE", "-1", 0);
    if (!getenv("ELM_ENGINE"))
        setenv("ELM_ENGINE", "buffer", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#ifndef PELORN_TESTS_TERMINATION_WATCH_H
#define PELORN_TESTS_TERMINATION_WATCH_H

namespace PelornTest
{
/* While the toolkit runs, SIGTERM and SIGINT become toolkit events, which an
 * application under test takes as its own request to end: a test process
 * that runs applications in-process would go on with its next test instead
 * of ending when `timeout` or a person asks it to. The watch notes a request
 * that came from another process; the test main ends the process once the
 * test that was running has cleaned up (its children reaped). */
class TerminationWatch
{
public:
    /* Listens for the toolkit's exit event; call after the toolkit started
     * (each time it started again). Until toolkit shutdown. */
    static void Arm();
    /* The toolkit shut down and took the listener with it. */
    static void Forget();
    static bool Armed();
    /* Ends the process as that signal would, when one was asked for. */
    static void EndIfRequested();
};
} // namespace PelornTest

#endif

#include "dlog.h"
#include "pelorn_log_capture.h"
#include "pelorn_log_text.h"
#include "pelorn_paths.h"

#include <errno.h>
#include <fcntl.h>
#include <glib.h>
#include <mutex>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

namespace
{
struct LogSink
{
    std::mutex mutex;
    int fd = -1;
    std::string path;
    bool fileTried = false;
    bool toStderr = true;
    bool stderrChecked = false;
    unsigned pathsGeneration = 0; // of the folders the file was opened in
    bool capturing = false;
    std::vector<std::string> captured;
};

LogSink& Sink()
{
    static LogSink* sink = new LogSink(); // lives to process exit: logging happens from static destructors too
    return *sink;
}

char PriorityLetter(log_priority prio)
{
    static const char letters[] = "??VDIWEFS";
    return (prio >= 0 && prio <= DLOG_SILENT) ? letters[prio] : '?';
}

/* The log holds the phone's position and address: only this account reads
 * it. It is kept to about twice this size: one full file aside as ".1",
 * replaced when the current one fills up. */
off_t MaxLogBytes()
{
    const char* env = getenv("PELORN_LOG_MAX_BYTES");
    long long value = env ? g_ascii_strtoll(env, nullptr, 10) : 0;
    return value > 0 ? (off_t)value : (off_t)1024 * 1024;
}

int OpenLog(const std::string& path)
{
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    struct stat st;
    // A log left readable by an earlier version is closed to others now; a
    // file that is not ours or not a plain file is not written to at all.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != getuid() ||
        ((st.st_mode & 0077) && fchmod(fd, 0600) != 0))
    {
        close(fd);
        return -1;
    }
    return fd;
}

/* Called with the sink locked, before each line. Several processes share the
 * log: whoever finds it full moves it aside, the others notice that the name
 * points at a new file and follow. */
void RotateIfFull(LogSink& sink)
{
    struct stat mine;
    if (sink.fd < 0 || fstat(sink.fd, &mine) != 0 || mine.st_size < MaxLogBytes())
        return;
    struct stat named;
    if (stat(sink.path.c_str(), &named) == 0 && named.st_ino == mine.st_ino && named.st_dev == mine.st_dev)
        rename(sink.path.c_str(), (sink.path + ".1").c_str());
    close(sink.fd);
    sink.fd = OpenLog(sink.path);
}

void WriteLine(int fd, const std::string& line)
{
    size_t done = 0;
    while (done < line.size())
    {
        ssize_t n = write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += (size_t)n;
    }
}

/* Every line is one line: a control character in a logged text is written
 * as \xNN. Our own colour codes are dropped from the file, which is read with
 * less and grep, and kept on a terminal. A text is cut after
 * LOG_TEXT_MAX_BYTES. */
const size_t LOG_TEXT_MAX_BYTES = 2048;

std::string Printable(const char* text, bool keepColours)
{
    return pelorn_log_printable(text, strlen(text), LOG_TEXT_MAX_BYTES,
                                keepColours ? PelornLogColours::KEPT : PelornLogColours::DROPPED);
}
} // namespace

int dlog_vprint(log_priority prio, const char* tag, const char* fmt, va_list ap)
{
    if (!tag || !fmt)
        return DLOG_ERROR_INVALID_PARAMETER;

    char* text = g_strdup_vprintf(fmt, ap);
    LogSink& sink = Sink();
    std::lock_guard<std::mutex> lock(sink.mutex);

    // The log follows the state folder when the folders are looked up again
    // (tests move them between cases), and the environment is read again.
    const unsigned generation = pelorn_paths_generation();
    if (generation != sink.pathsGeneration)
    {
        if (sink.fd >= 0)
            close(sink.fd);
        sink.fd = -1;
        sink.fileTried = false;
        sink.stderrChecked = false;
        sink.pathsGeneration = generation;
    }
    if (!sink.stderrChecked)
    {
        const char* env = getenv("PELORN_LOG_STDERR");
        sink.toStderr = !(env && strcmp(env, "0") == 0);
        sink.stderrChecked = true;
    }
    if (!sink.fileTried)
    {
        sink.fileTried = true;
        sink.path = std::string(pelorn_state_dir()) + "/pelorn.log";
        sink.fd = OpenLog(sink.path);
    }

    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm tmv;
    localtime_r(&tv.tv_sec, &tmv);
    char stamp[32];
    strftime(stamp, sizeof(stamp), "%m-%d %H:%M:%S", &tmv);

    if (sink.toStderr)
        fprintf(stderr, "%s.%03ld %c/%s(%d): %s\n", stamp, (long)(tv.tv_usec / 1000), PriorityLetter(prio), tag,
                (int)getpid(), Printable(text, true).c_str());
    if (sink.fd >= 0)
    {
        RotateIfFull(sink);
        gchar* line = g_strdup_printf("%s.%03ld %c/%s(%d): %s\n", stamp, (long)(tv.tv_usec / 1000),
                                      PriorityLetter(prio), tag, (int)getpid(), Printable(text, false).c_str());
        if (sink.fd >= 0)
            WriteLine(sink.fd, line); // one write on an appending file: lines of several processes never mix
        g_free(line);
    }
    if (sink.capturing)
        sink.captured.push_back(std::string(tag) + "|" + Printable(text, false));

    g_free(text);
    return DLOG_ERROR_NONE;
}

int dlog_print(log_priority prio, const char* tag, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int ret = dlog_vprint(prio, tag, fmt, ap);
    va_end(ap);
    return ret;
}

void pelorn_log_capture_begin()
{
    LogSink& sink = Sink();
    std::lock_guard<std::mutex> lock(sink.mutex);
    sink.capturing = true;
    sink.captured.clear();
}

void pelorn_log_capture_end()
{
    LogSink& sink = Sink();
    std::lock_guard<std::mutex> lock(sink.mutex);
    sink.capturing = false;
    sink.captured.clear();
}

void pelorn_log_capture_clear()
{
    LogSink& sink = Sink();
    std::lock_guard<std::mutex> lock(sink.mutex);
    sink.captured.clear();
}

std::vector<std::string> pelorn_log_captured_lines()
{
    LogSink& sink = Sink();
    std::lock_guard<std::mutex> lock(sink.mutex);
    return sink.captured;
}

bool pelorn_log_captured(const std::string& tag, const std::string& needle)
{
    for (const std::string& line : pelorn_log_captured_lines())
    {
        size_t bar = line.find('|');
        if (!tag.empty() && line.compare(0, bar, tag) != 0)
            continue;
        if (line.find(needle, bar + 1) != std::string::npos)
            return true;
    }
    return false;
}

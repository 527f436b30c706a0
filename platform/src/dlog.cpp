#include "dlog.h"
#include "pelorn_log_capture.h"
#include "pelorn_paths.h"

#include <glib.h>
#include <mutex>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

namespace
{
struct LogSink
{
    std::mutex mutex;
    FILE* file = nullptr;
    bool fileTried = false;
    bool toStderr = true;
    bool stderrChecked = false;
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

std::string StripColours(const char* text)
{
    std::string out;
    for (const char* p = text; *p; ++p)
    {
        if (*p == '\033' && p[1] == '[')
        {
            const char* end = strchr(p, 'm');
            if (end)
            {
                p = end;
                continue;
            }
        }
        out.push_back(*p);
    }
    return out;
}
} // namespace

int dlog_vprint(log_priority prio, const char* tag, const char* fmt, va_list ap)
{
    if (!tag || !fmt)
        return DLOG_ERROR_INVALID_PARAMETER;

    char* text = g_strdup_vprintf(fmt, ap);
    LogSink& sink = Sink();
    std::lock_guard<std::mutex> lock(sink.mutex);

    if (!sink.stderrChecked)
    {
        const char* env = getenv("PELORN_LOG_STDERR");
        sink.toStderr = !(env && strcmp(env, "0") == 0);
        sink.stderrChecked = true;
    }
    if (!sink.fileTried)
    {
        sink.fileTried = true;
        std::string path = std::string(pelorn_state_dir()) + "/pelorn.log";
        sink.file = fopen(path.c_str(), "a");
        if (sink.file)
            setvbuf(sink.file, nullptr, _IOLBF, 0);
    }

    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm tmv;
    localtime_r(&tv.tv_sec, &tmv);
    char stamp[32];
    strftime(stamp, sizeof(stamp), "%m-%d %H:%M:%S", &tmv);

    if (sink.toStderr)
        fprintf(stderr, "%s.%03ld %c/%s(%d): %s\n", stamp, (long)(tv.tv_usec / 1000), PriorityLetter(prio), tag,
                (int)getpid(), text);
    // The file is read with less and grep, not on a terminal: no colour codes.
    if (sink.file)
        fprintf(sink.file, "%s.%03ld %c/%s(%d): %s\n", stamp, (long)(tv.tv_usec / 1000), PriorityLetter(prio),
                tag, (int)getpid(), StripColours(text).c_str());
    if (sink.capturing)
        sink.captured.push_back(std::string(tag) + "|" + StripColours(text));

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

/* The log file follows the state directory; tests move it between cases. */
void pelorn_log_reopen()
{
    LogSink& sink = Sink();
    std::lock_guard<std::mutex> lock(sink.mutex);
    if (sink.file)
        fclose(sink.file);
    sink.file = nullptr;
    sink.fileTried = false;
    sink.stderrChecked = false;
}

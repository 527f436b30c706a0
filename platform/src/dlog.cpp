#include "dlog.h"
#include "loop_turn.h"
#include "pelorn_log_capture.h"
#include "pelorn_log_text.h"
#include "pelorn_paths.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <errno.h>
#include <fcntl.h>
#include <glib.h>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <system_error>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace
{
/* One line waiting for the writer: formatted there, stamped here. */
struct PendingLine
{
    struct timeval tv;
    char letter;
    int pid;
    unsigned generation;
    std::shared_ptr<const std::string> path;
    std::string tag;
    std::string text;
};

/* The file is written by a thread of its own, as the watch's log service
 * would: a caller on the main loop never waits for the file system (an ext4
 * append and its time stamp cost more than everything else a tap does on its
 * way to the phone). Lines keep their order; stderr, when on, is still
 * written at once, so a crash's last words are never lost there. */
struct LogSink
{
    std::mutex mutex; // the queue and the caller's state; never held across I/O
    std::condition_variable wake;
    std::condition_variable drained;
    std::deque<PendingLine> queue;
    size_t queuedBytes = 0;
    unsigned long long queuedLines = 0;
    unsigned long long writtenLines = 0;
    unsigned long long droppedLines = 0; // since the writer last said so
    unsigned long long lostLines = 0;    // dropped, ever: a flush waits for none of them
    pid_t writerPid = 0;                 // the process whose writer runs; a forked child starts its own
    bool synchronous = false;
    bool flushWanted = false;
    // A line queued in a turn of the main loop left the writer asleep: the
    // loop wakes it as it next waits, so that waking it (a futex, often a
    // core put aside for the writer) is not paid on the way from a tap to
    // the phone. Read without the lock on each wait.
    std::atomic<bool> wakeOwed{false};

    std::shared_ptr<const std::string> path;
    bool toStderr = true;
    bool stderrChecked = false;
    unsigned pathsGeneration = 0; // of the folders the path was looked up in
    bool pathKnown = false;
    bool capturing = false;
    std::vector<std::string> captured;

    std::mutex fileMutex; // the file's state, held by whoever writes: the writer, or a caller at exit
    int fd = -1;
    std::shared_ptr<const std::string> filePath;
    unsigned fileGeneration = 0;
    bool fileTried = false;
};

/* Lines kept waiting while the file system does not keep up; the rest are
 * counted, and the count is logged once it does. */
const size_t MAX_QUEUED_BYTES = 1024 * 1024;
/* Lines a turn of the main loop may queue before the writer is woken all
 * the same; a tap logs about six. */
const size_t MAX_OWED_LINES = 64;
/* How long the writer lets lines gather before it writes them. */
const auto BATCH_DELAY = std::chrono::milliseconds(20);
/* How long exit waits for the writer to finish. */
const auto EXIT_WAIT = std::chrono::seconds(2);

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

/* Called with the file locked, before each line. Several processes share the
 * log: whoever finds it full moves it aside, the others notice that the name
 * points at a new file and follow. */
void RotateIfFull(LogSink& sink)
{
    struct stat mine;
    if (sink.fd < 0 || fstat(sink.fd, &mine) != 0 || mine.st_size < MaxLogBytes())
        return;
    struct stat named;
    if (stat(sink.filePath->c_str(), &named) == 0 && named.st_ino == mine.st_ino &&
        named.st_dev == mine.st_dev)
        rename(sink.filePath->c_str(), (*sink.filePath + ".1").c_str());
    close(sink.fd);
    sink.fd = OpenLog(*sink.filePath);
}

void WriteAll(int fd, const std::string& line)
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

std::string Printable(const char* text, size_t length, bool keepColours)
{
    return pelorn_log_printable(text, length, LOG_TEXT_MAX_BYTES,
                                keepColours ? PelornLogColours::KEPT : PelornLogColours::DROPPED);
}

std::string Stamp(const struct timeval& tv)
{
    struct tm tmv;
    localtime_r(&tv.tv_sec, &tmv);
    char stamp[32];
    strftime(stamp, sizeof(stamp), "%m-%d %H:%M:%S", &tmv);
    char millis[24];
    snprintf(millis, sizeof(millis), ".%03ld", (long)(tv.tv_usec / 1000));
    return std::string(stamp) + millis;
}

/* Called with the file locked. */
void WriteToFile(LogSink& sink, const PendingLine& line)
{
    if (!line.path)
        return;
    if (!sink.filePath || line.generation != sink.fileGeneration || *line.path != *sink.filePath)
    {
        if (sink.fd >= 0)
            close(sink.fd);
        sink.fd = -1;
        sink.filePath = line.path;
        sink.fileGeneration = line.generation;
        sink.fileTried = false;
    }
    if (!sink.fileTried)
    {
        sink.fileTried = true;
        sink.fd = OpenLog(*sink.filePath);
    }
    if (sink.fd < 0)
        return;
    RotateIfFull(sink);
    if (sink.fd < 0)
        return;
    std::string text = Stamp(line.tv) + " " + line.letter + "/" + line.tag + "(" + std::to_string(line.pid) +
                       "): " + Printable(line.text.data(), line.text.size(), false) + "\n";
    WriteAll(sink.fd, text); // one write on an appending file: lines of several processes never mix
}

void RunWriter()
{
    // At the loop's own priority: the writer holds the queue's lock for a
    // moment on each batch, and a writer of lower priority, put aside while
    // holding it, would keep a caller waiting (it held the menu's opening
    // up for 16 ms on a busy machine).
    pthread_setname_np(pthread_self(), "pelorn-log");
    LogSink& sink = Sink();
    std::unique_lock<std::mutex> lock(sink.mutex);
    for (;;)
    {
        sink.wake.wait(lock, [&] { return !sink.queue.empty() || sink.droppedLines > 0; });
        // Lines come in bursts (a tap logs a handful on its way to the
        // phone): they are written together, after the burst, so that the
        // writer does not take a core from what the burst set off.
        sink.wake.wait_for(lock, BATCH_DELAY, [&] { return sink.flushWanted; });
        sink.flushWanted = false;
        std::deque<PendingLine> lines;
        lines.swap(sink.queue);
        sink.queuedBytes = 0;
        const unsigned long long dropped = sink.droppedLines;
        sink.droppedLines = 0;
        lock.unlock();
        {
            std::lock_guard<std::mutex> file(sink.fileMutex);
            if (dropped > 0 && !lines.empty())
            {
                PendingLine note = lines.front();
                note.letter = 'W';
                note.tag = "dlog";
                note.text = std::to_string(dropped) + " lines dropped: the log file did not keep up";
                WriteToFile(sink, note);
            }
            for (const PendingLine& line : lines)
                WriteToFile(sink, line);
        }
        lock.lock();
        sink.writtenLines += lines.size();
        sink.drained.notify_all();
    }
}

/* Called with the queue locked. False when no writer can run: the caller
 * then writes the line itself. */
bool EnsureWriter(LogSink& sink, pid_t pid)
{
    if (sink.synchronous)
        return false;
    if (sink.writerPid == pid)
        return true;
    // A forked child has the queue but not the thread: what it holds was
    // the parent's to write.
    sink.queue.clear();
    sink.queuedBytes = 0;
    sink.queuedLines = sink.writtenLines = sink.droppedLines = sink.lostLines = 0;
    try
    {
        std::thread(RunWriter).detach();
    }
    catch (const std::system_error&)
    {
        sink.synchronous = true;
        return false;
    }
    if (sink.writerPid == 0)
        atexit(
            []
            {
                // Lines logged later, by static destructors, are written by their callers.
                LogSink& s = Sink();
                std::unique_lock<std::mutex> lock(s.mutex);
                s.flushWanted = true;
                s.wake.notify_one();
                s.drained.wait_for(lock, EXIT_WAIT,
                                   [&] { return s.writtenLines + s.lostLines >= s.queuedLines; });
                s.synchronous = true;
            });
    sink.writerPid = pid;
    return true;
}
} // namespace

int dlog_vprint(log_priority prio, const char* tag, const char* fmt, va_list ap)
{
    if (!tag || !fmt)
        return DLOG_ERROR_INVALID_PARAMETER;

    PendingLine line;
    gettimeofday(&line.tv, nullptr);
    line.letter = PriorityLetter(prio);
    line.pid = (int)getpid();
    line.tag = tag;
    char* text = g_strdup_vprintf(fmt, ap);
    line.text = text;
    g_free(text);

    LogSink& sink = Sink();
    std::unique_lock<std::mutex> lock(sink.mutex);
    // The log follows the state folder when the folders are looked up again
    // (tests move them between cases), and the environment is read again.
    const unsigned generation = pelorn_paths_generation();
    if (!sink.pathKnown || generation != sink.pathsGeneration)
    {
        sink.path = std::make_shared<const std::string>(std::string(pelorn_state_dir()) + "/pelorn.log");
        sink.pathsGeneration = generation;
        sink.pathKnown = true;
        sink.stderrChecked = false;
    }
    if (!sink.stderrChecked)
    {
        const char* env = getenv("PELORN_LOG_STDERR");
        sink.toStderr = !(env && strcmp(env, "0") == 0);
        sink.stderrChecked = true;
    }
    line.generation = generation;
    line.path = sink.path;

    if (sink.toStderr)
        fprintf(stderr, "%s %c/%s(%d): %s\n", Stamp(line.tv).c_str(), line.letter, tag, line.pid,
                Printable(line.text.data(), line.text.size(), true).c_str());
    if (sink.capturing)
        sink.captured.push_back(line.tag + "|" + Printable(line.text.data(), line.text.size(), false));

    if (!EnsureWriter(sink, (pid_t)line.pid))
    {
        lock.unlock();
        std::lock_guard<std::mutex> file(sink.fileMutex);
        WriteToFile(sink, line);
        return DLOG_ERROR_NONE;
    }
    const size_t bytes = line.tag.size() + line.text.size() + 64;
    if (sink.queuedBytes + bytes > MAX_QUEUED_BYTES)
    {
        sink.droppedLines++;
        sink.lostLines++;
        sink.queuedLines++;
        return DLOG_ERROR_NONE;
    }
    const bool first = sink.queue.empty();
    sink.queuedBytes += bytes;
    sink.queuedLines++;
    sink.queue.push_back(std::move(line));
    if (first && pelorn_loop_turn_running())
        sink.wakeOwed.store(true, std::memory_order_relaxed);
    else if (first || (sink.queue.size() > MAX_OWED_LINES && sink.wakeOwed.load(std::memory_order_relaxed)))
    {
        // A turn that logs on and on (a flood of bad input) must not hold its
        // lines until the queue's bound drops them.
        sink.wakeOwed.store(false, std::memory_order_relaxed);
        sink.wake.notify_one();
    }
    return DLOG_ERROR_NONE;
}

void pelorn_log_loop_waits(void)
{
    LogSink& sink = Sink();
    if (!sink.wakeOwed.load(std::memory_order_relaxed))
        return;
    std::lock_guard<std::mutex> lock(sink.mutex);
    sink.wakeOwed.store(false, std::memory_order_relaxed);
    sink.wake.notify_one();
}

int dlog_print(log_priority prio, const char* tag, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int ret = dlog_vprint(prio, tag, fmt, ap);
    va_end(ap);
    return ret;
}

bool pelorn_log_flush()
{
    LogSink& sink = Sink();
    std::unique_lock<std::mutex> lock(sink.mutex);
    const unsigned long long target = sink.queuedLines;
    sink.flushWanted = true;
    sink.wake.notify_one();
    return sink.drained.wait_for(lock, EXIT_WAIT,
                                 [&] { return sink.writtenLines + sink.lostLines >= target; });
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

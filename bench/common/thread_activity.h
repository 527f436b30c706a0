#ifndef PELORN_BENCH_THREAD_ACTIVITY_H
#define PELORN_BENCH_THREAD_ACTIVITY_H

// What each thread of a process has done so far, from /proc: the benches
// that show an idle app count the difference over their window.
#include <glib.h>
#include <map>
#include <stdio.h>
#include <string.h>
#include <string>

struct PelornBenchThreadCounts
{
    std::string name;
    long long switches = 0; // voluntary and not: a thread that wakes up shows here
    long long ticks = 0;    // user and system CPU
};

/* The threads of process `pid` ("self" for this one) by thread id. */
inline std::map<std::string, PelornBenchThreadCounts> PelornBenchCountThreads(const std::string& pid)
{
    std::map<std::string, PelornBenchThreadCounts> threads;
    const std::string taskDir = "/proc/" + pid + "/task";
    GDir* dir = g_dir_open(taskDir.c_str(), 0, nullptr);
    if (!dir)
        return threads;
    while (const gchar* tid = g_dir_read_name(dir))
    {
        const std::string task = taskDir + "/" + tid;
        gchar *comm = nullptr, *status = nullptr, *stat = nullptr;
        if (g_file_get_contents((task + "/comm").c_str(), &comm, nullptr, nullptr) &&
            g_file_get_contents((task + "/status").c_str(), &status, nullptr, nullptr) &&
            g_file_get_contents((task + "/stat").c_str(), &stat, nullptr, nullptr))
        {
            PelornBenchThreadCounts& counts = threads[tid];
            counts.name = g_strstrip(comm);
            for (const char* key : {"voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:"})
                if (const char* at = strstr(status, key))
                    counts.switches += g_ascii_strtoll(at + strlen(key), nullptr, 10);
            // utime and stime, the 14th and 15th fields, counted after the command's ")".
            const char* rest = strrchr(stat, ')');
            long long utime = 0, stime = 0;
            if (rest && sscanf(rest + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lld %lld", &utime,
                               &stime) == 2)
                counts.ticks = utime + stime;
        }
        g_free(comm);
        g_free(status);
        g_free(stat);
    }
    g_dir_close(dir);
    return threads;
}

#endif

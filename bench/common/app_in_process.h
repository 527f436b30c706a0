#ifndef PELORN_BENCH_APP_IN_PROCESS_H
#define PELORN_BENCH_APP_IN_PROCESS_H

#include "PelornApplication.h"
#include "PelornMain.h"
#include "PelornView.h"
#include "ViewBasicElements.h"
#include "ViewController.h"
#include "ViewManager.h"
#include "seeded_watch.h"

#include <Elementary.h>
#include <glib.h>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

/* For benches that run the app in this process and drive it as a wearer
 * would, beside the programs built next to them. */

/* Starts args[0] with stdout to *out (or /dev/null) and stdin from *in when
 * asked; the pid to end with PelornBenchEnd, or 0 after saying why. */
inline GPid PelornBenchSpawn(const std::vector<std::string>& args, gint* in = nullptr, gint* out = nullptr)
{
    std::vector<gchar*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<gchar*>(a.c_str()));
    argv.push_back(nullptr);
    GPid pid = 0;
    GError* error = nullptr;
    const GSpawnFlags flags = GSpawnFlags(G_SPAWN_DO_NOT_REAP_CHILD | (out ? 0 : G_SPAWN_STDOUT_TO_DEV_NULL));
    if (!g_spawn_async_with_pipes(nullptr, argv.data(), nullptr, flags, nullptr, nullptr, &pid, in, out,
                                  nullptr, &error))
    {
        fprintf(stderr, "cannot start %s: %s\n", args[0].c_str(), error->message);
        g_error_free(error);
        return 0;
    }
    return pid;
}

inline void PelornBenchEnd(GPid pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

/* phone-sim beside the app. Its lines are read on a thread of their own and
 * stamped as they arrive: the phone is the far end of what a bench times, so
 * a line must not wait for the main loop to look. A line phone-sim stamped
 * itself ("recv@T ...", --stamp-reads) keeps that moment instead: on a small
 * machine this thread may wait for a core while the app works on. */
class PelornBenchPhone
{
public:
    struct Line
    {
        gint64 at;
        std::string text;
        /* A message of this id that phone-sim reports it received. */
        bool Received(const char* msgId) const
        {
            return text.rfind("recv", 0) == 0 && text.find(msgId) != std::string::npos;
        }
    };

    explicit PelornBenchPhone(const std::vector<std::string>& extraArgs = {})
    {
        std::vector<std::string> args{PelornBenchProgram("phone-sim")};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        gint out = -1;
        mPid = PelornBenchSpawn(args, &mIn, &out);
        if (mPid)
            mReader = std::thread(&PelornBenchPhone::Read, this, out);
    }
    ~PelornBenchPhone()
    {
        PelornBenchEnd(mPid);
        if (mReader.joinable())
            mReader.join();
        if (mIn >= 0)
            close(mIn);
    }
    PelornBenchPhone(const PelornBenchPhone&) = delete;
    PelornBenchPhone& operator=(const PelornBenchPhone&) = delete;

    bool Running() const
    {
        return mPid > 0;
    }
    /* The lines that came since the last call. */
    std::vector<Line> Take()
    {
        std::vector<Line> lines;
        std::lock_guard<std::mutex> hold(mLock);
        lines.swap(mLines);
        return lines;
    }
    /* A line typed at phone-sim's prompt ("found", "detach", ...). */
    void Command(const std::string& line)
    {
        (void)!write(mIn, (line + "\n").c_str(), line.size() + 1);
    }

private:
    void Read(int fd)
    {
        // Named, so that a bench counting the app's threads leaves it out.
        pthread_setname_np(pthread_self(), "bench-phone");
        std::string pending;
        char buf[4096];
        ssize_t n;
        while ((n = read(fd, buf, sizeof(buf))) > 0)
        {
            const gint64 now = g_get_monotonic_time();
            pending.append(buf, (size_t)n);
            size_t eol;
            std::lock_guard<std::mutex> hold(mLock);
            while ((eol = pending.find('\n')) != std::string::npos)
            {
                Line line{now, pending.substr(0, eol)};
                long long readAt = 0;
                if (sscanf(line.text.c_str(), "recv@%lld ", &readAt) == 1 && readAt > 0)
                    line.at = (gint64)readAt;
                mLines.push_back(std::move(line));
                pending.erase(0, eol + 1);
            }
        }
        close(fd);
    }

    GPid mPid = 0;
    gint mIn = -1;
    std::mutex mLock;
    std::vector<Line> mLines;
    std::thread mReader;
};

inline std::shared_ptr<NSORZUiCommon::ViewController> PelornBenchTopController()
{
    auto viewManager = NSPelorn::PelornMain::GetInstance()->GetViewManager();
    return viewManager ? viewManager->Top() : nullptr;
}

inline std::shared_ptr<NSORZUiCommon::View> PelornBenchTopView()
{
    auto controller = PelornBenchTopController();
    return controller ? controller->GetView() : nullptr;
}

/* The finding button takes a tap: its icon change (0.3 s) is over. */
inline bool PelornBenchButtonReady()
{
    auto view = std::dynamic_pointer_cast<NSPelorn::PelornView>(PelornBenchTopView());
    return view && view->GetButton() && !elm_object_disabled_get(view->GetButton());
}

/* Runs the app in this process, step called every 5 ms, until a step ends
 * the app's loop. */
inline void PelornBenchRunApp(GSourceFunc step, void* data)
{
    g_timeout_add(5, step, data);
    char arg0[] = "pelorn";
    char* argv[] = {arg0, nullptr};
    RunPelornApplication(1, argv);
}

/* Past the deadline, a step gives up: it says where and ends the app. */
inline bool PelornBenchGaveUp(gint64 now, gint64 deadline, int phase)
{
    if (now <= deadline)
        return false;
    fprintf(stderr, "gave up waiting (phase %d)\n", phase);
    elm_exit();
    return true;
}

/* A finger's tap on the canvas, as the touch screen feeds it. */
inline void PelornBenchTap(int x = 180, int y = 180)
{
    Evas* e = evas_object_evas_get(NSORZUiCommon::ViewBasicElements::GetWindow());
    unsigned int t = (unsigned int)(ecore_loop_time_get() * 1000);
    evas_event_feed_mouse_move(e, x, y, t, nullptr);
    evas_event_feed_mouse_down(e, 1, EVAS_BUTTON_NONE, t + 1, nullptr);
    evas_event_feed_mouse_up(e, 1, EVAS_BUTTON_NONE, t + 50, nullptr);
}

#endif

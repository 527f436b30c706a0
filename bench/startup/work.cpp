// bench_startup_work: the instructions the bare window and the app each run
// on their main thread from exec to their first rendered frame, counted by
// valgrind's callgrind and cut into the start's phases. Unlike a time, the
// count hardly moves between runs or machines, so it shows where the app's
// start goes beyond the floor without the noise bench_startup has to ride
// out.
#include "../common/seeded_watch.h"

#include <fcntl.h>
#include <functional>
#include <glib.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>
#include <vector>

static const char* const HELP = R"HELP(Usage: bench_startup_work

Runs bench_bare_window and pelorn once each under valgrind's callgrind (a few
seconds each) and prints, for each, the instructions its main thread
ran from exec to its first rendered frame, cut into phases: the app's by its
start-up marks (PELORN_TRACE_STARTUP), the bare window's by the toolkit calls
it makes. Fontconfig reading its configuration, which both do for their first
text, is a phase of its own. Counts move by well under 1 % between runs, where
launch times move by several percent, so a small change's effect shows.
The app runs in a seeded watch's folders after one launch that made them, as
bench_startup's launches do. Needs valgrind.
Last line: "ratio: instructions X (pelorn Y M, bare Z M)".

Environment: runs in temporary PELORN_STATE_DIR and PELORN_RUNTIME_DIR
folders of its own (any set outside are not touched), on the buffer engine,
with PELORN_TRACE_STARTUP=1 for the app (its marks name the phases).

Example:
  build/bench_startup_work
)HELP";

namespace
{
struct Part
{
    std::string name;
    double instructions = 0;
};

std::string BaseName(const std::string& path)
{
    gchar* base = g_path_get_basename(path.c_str());
    std::string out = base;
    g_free(base);
    return out;
}

/* Starts argv with the first-frame descriptor and stderr into errPath; waits
 * for "frame" (or the deadline), then ends it. True when the frame came. */
bool RunToFirstFrame(const std::vector<std::string>& argv, const std::string& errPath, int deadlineMs)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const pid_t pid = fork();
    if (pid == 0)
    {
        close(fds[0]);
        setenv("PELORN_FIRST_FRAME_FD", std::to_string(fds[1]).c_str(), 1);
        const int null = open("/dev/null", O_RDWR);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(null, 0);
        dup2(null, 1);
        dup2(err >= 0 ? err : null, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    bool framed = false;
    if (pid > 0)
    {
        struct pollfd p = {fds[0], POLLIN, 0};
        char buf[16];
        framed = poll(&p, 1, deadlineMs) == 1 && read(fds[0], buf, sizeof(buf)) > 0;
        PelornBenchEndChild(pid, 5000);
    }
    close(fds[0]);
    return framed;
}

/* The value after "prefix" on the first line that starts with it. */
std::string Field(const std::string& text, const std::string& prefix)
{
    size_t at = text.compare(0, prefix.size(), prefix) == 0 ? 0 : text.find("\n" + prefix);
    if (at == std::string::npos)
        return "";
    at += at == 0 ? prefix.size() : prefix.size() + 1;
    return text.substr(at, text.find('\n', at) - at);
}

/* The main thread's parts, in order: "<out>.<n>-01" for n = 1, 2, ...; each
 * with what ended it (the dump's trigger) and its instruction count. */
std::vector<std::pair<std::string, double>> MainThreadParts(const std::string& out)
{
    std::vector<std::pair<std::string, double>> parts;
    for (int n = 1;; ++n)
    {
        gchar* text = nullptr;
        if (!g_file_get_contents((out + "." + std::to_string(n) + "-01").c_str(), &text, nullptr, nullptr))
            break;
        const std::string s = text;
        g_free(text);
        std::string count = Field(s, "summary: ");
        if (count.empty())
            count = Field(s, "totals: ");
        parts.push_back({Field(s, "desc: Trigger: "), g_ascii_strtod(count.c_str(), nullptr)});
    }
    return parts;
}

const char* const kFontconfig = "FcInitLoadConfigAndFonts";

/* Runs the program under callgrind, its main thread's counters dumped at each
 * trigger, and names each part by the phase it ends (name, given the dump's
 * trigger); the part whose name isLast is the last counted. Empty on failure. */
std::vector<Part> Count(const std::string& program, const std::vector<std::string>& triggers,
                        const std::string& dir, const std::vector<std::string>& env,
                        const std::function<std::string(const std::string&)>& name,
                        const std::function<bool(const std::string&)>& isLast)
{
    gchar* valgrind = g_find_program_in_path("valgrind");
    if (!valgrind)
    {
        fprintf(stderr, "valgrind is not installed\n");
        return {};
    }
    const std::string out = dir + "/callgrind." + BaseName(program);
    std::vector<std::string> argv = {valgrind, "--tool=callgrind", "--separate-threads=yes",
                                     "--callgrind-out-file=" + out};
    g_free(valgrind);
    for (const std::string& t : triggers)
        argv.push_back(t);
    argv.push_back(program);
    for (const std::string& e : env)
        g_setenv(e.substr(0, e.find('=')).c_str(), e.substr(e.find('=') + 1).c_str(), TRUE);
    const bool framed = RunToFirstFrame(argv, out + ".stderr", 180000);
    for (const std::string& e : env)
        g_unsetenv(e.substr(0, e.find('=')).c_str());
    if (!framed)
    {
        fprintf(stderr, "%s: no first frame under valgrind (see %s.stderr)\n", program.c_str(), out.c_str());
        return {};
    }
    std::vector<Part> parts;
    for (const auto& part : MainThreadParts(out))
    {
        parts.push_back({name(part.first), part.second});
        if (isLast(parts.back().name))
            return parts;
    }
    fprintf(stderr, "%s: the dumps end before the first frame (%s.*)\n", program.c_str(), out.c_str());
    return {};
}

double Total(const std::vector<Part>& parts)
{
    double sum = 0;
    for (const Part& p : parts)
        sum += p.instructions;
    return sum;
}

void Print(const char* title, const std::vector<Part>& parts)
{
    printf("%s: %.1f M instructions on the main thread to the first frame\n", title, Total(parts) / 1e6);
    for (const Part& p : parts)
        printf("  %8.2f M  %s\n", p.instructions / 1e6, p.name.c_str());
}

/* The start-up marks the app printed, in order (PELORN_TRACE_STARTUP). */
std::vector<std::string> Marks(const std::string& stderrPath)
{
    std::vector<std::string> marks;
    gchar* text = nullptr;
    if (!g_file_get_contents(stderrPath.c_str(), &text, nullptr, nullptr))
        return marks;
    gchar** lines = g_strsplit(text, "\n", -1);
    for (gchar** line = lines; *line; ++line)
    {
        const char* mark = strstr(*line, "startup: +");
        const char* close = mark ? strchr(mark, ')') : nullptr;
        if (close && close[1] == ' ')
            marks.push_back(close + 2);
    }
    g_strfreev(lines);
    g_free(text);
    return marks;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")))
    {
        fputs(HELP, stdout);
        return 0;
    }
    const std::string bare = PelornBenchProgram("bench_bare_window"), app = PelornBenchProgram("pelorn");
    gchar* root = g_dir_make_tmp("pelorn-bench-XXXXXX", nullptr);
    PelornBenchSeedWatch(root);
    PelornBenchRunHeadless();
    const std::string dir = root;
    // The launch that makes the folders (and starts the toolkit's desktop
    // file daemon), as a watch's first start after setup does once.
    const bool warmed = RunToFirstFrame({app}, dir + "/warm-up.stderr", 60000);

    const std::vector<std::string> fontconfig = {std::string("--dump-before=") + kFontconfig,
                                                 std::string("--dump-after=") + kFontconfig};
    std::vector<std::string> bareTriggers = {"--dump-before=elm_init", "--dump-after=elm_init",
                                             "--dump-before=elm_run", "--dump-before=*RenderedCb*"};
    bareTriggers.insert(bareTriggers.end(), fontconfig.begin(), fontconfig.end());
    auto bareName = [](const std::string& trigger) -> std::string
    {
        if (trigger.find("--dump-before=elm_init") == 0)
            return "exec, shared libraries, static initialisers";
        if (trigger.find("--dump-after=elm_init") == 0)
            return "elm_init";
        if (trigger.find(std::string("--dump-before=") + kFontconfig) == 0)
            return "window: until fontconfig";
        if (trigger.find(std::string("--dump-after=") + kFontconfig) == 0)
            return "fontconfig reads its configuration (first text)";
        if (trigger.find("--dump-before=elm_run") == 0)
            return "window, button, its text";
        if (trigger.find("RenderedCb") != std::string::npos)
            return "main loop to the first frame";
        return trigger;
    };
    const std::vector<Part> bareParts =
        warmed ? Count(bare, bareTriggers, dir, {}, bareName,
                       [](const std::string& n) { return n == "main loop to the first frame"; })
               : std::vector<Part>();

    std::vector<std::string> appTriggers = {"--dump-before=pelorn_trace_startup"};
    appTriggers.insert(appTriggers.end(), fontconfig.begin(), fontconfig.end());
    // Each mark ends the phase it names; the parts cut by fontconfig's dumps
    // belong to the phase of the next mark.
    std::vector<std::string> marks;
    size_t nextMark = 0;
    auto appName = [&](const std::string& trigger) -> std::string
    {
        if (marks.empty())
            marks = Marks(dir + "/callgrind.pelorn.stderr");
        const std::string phase = nextMark < marks.size() ? marks[nextMark] : "?";
        if (trigger.find("pelorn_trace_startup") != std::string::npos)
        {
            ++nextMark;
            return phase;
        }
        if (trigger.find(std::string("--dump-after=") + kFontconfig) == 0)
            return "fontconfig reads its configuration (first text)";
        return phase + ": until fontconfig";
    };
    const std::vector<Part> appParts = bareParts.empty()
                                           ? std::vector<Part>()
                                           : Count(app, appTriggers, dir, {"PELORN_TRACE_STARTUP=1"}, appName,
                                                   [](const std::string& n) { return n == "first frame"; });
    if (bareParts.empty() || appParts.empty())
    {
        // The folder stays, with valgrind's output in it.
        fprintf(stderr, "%s (see %s)\n", warmed ? "no count" : "the app's first launch showed no frame",
                root);
        g_free(root);
        return 1;
    }
    PelornBenchRemoveWatch(root);
    g_free(root);
    Print("bench_bare_window", bareParts);
    Print("pelorn", appParts);
    printf("ratio: instructions %.3f (pelorn %.1f M, bare %.1f M)\n", Total(appParts) / Total(bareParts),
           Total(appParts) / 1e6, Total(bareParts) / 1e6);
    return 0;
}

/* vconftool: reads, writes and watches keys of the settings store.
 *
 *   vconftool get KEY                          prints the value
 *   vconftool set -t int|bool|string|double KEY VALUE
 *   vconftool unset KEY
 *   vconftool watch KEY                        prints "KEY=VALUE" (or "KEY unset")
 *                                              for every change until stopped
 *
 * Exit status: 0 done, 1 the key is unreadable or the store refused, 2 bad usage,
 * a value that is not of the given type, a type the key does not have, or a
 * key the platform keeps itself. */

#include "pelorn_link_state.h"
#include "pelorn_settings_keys.h"
#include "vconf.h"

#include <errno.h>
#include <glib-unix.h>
#include <glib.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

namespace
{
const int EXIT_UNREADABLE = 1;
const int EXIT_USAGE = 2;

const char* const HELP = R"(Usage: vconftool get KEY
       vconftool set -t int|bool|string|double KEY VALUE
       vconftool unset KEY
       vconftool watch KEY

Reads, writes and watches keys of the watch's settings store, the same store
the app and phone-sim use (one file per key): "db/..." keys persist under the
state folder, "memory/..." keys live under the runtime folder.

Commands:
  get KEY      print the value
  set -t TYPE KEY VALUE   write it (bool takes 1/0/true/false)
  unset KEY    remove it
  watch KEY    print "KEY=VALUE" (or "KEY unset") for every change until
               interrupted (Ctrl+C)
  --help       this text

Exit status: 0 done, 1 the key is unreadable or the store refused the write,
2 bad usage, a value that is not of the given type, a -t the key does not
have (known keys below), or a key the platform keeps itself.

)";

const char* const HELP_TAIL = R"(
Environment:
  PELORN_STATE_DIR     where "db/" keys are (default: the build tree's
                       run-state when run from it, as ./scripts/run uses;
                       else $XDG_STATE_HOME/pelorn or ~/.local/state/pelorn)
  PELORN_RUNTIME_DIR   where "memory/" keys are (default: the build tree's
                       run-runtime; else $XDG_RUNTIME_DIR/pelorn or
                       /tmp/pelorn-UID)

Examples (while ./scripts/run runs, from a second terminal):
  build/vconftool set -t int db/retailmode/enabled 1
  build/vconftool get memory/brig/brig_connected
  build/vconftool watch memory/private/kiv/conn_type
)";

/* The keys come from the platform's own table, so the list cannot drift. */
void PrintHelp()
{
    fputs(HELP, stdout);
    printf("Keys the app reads (type; set -t TYPE KEY VALUE with the example):\n");
    size_t count = 0;
    const pelorn_settings_key_s* keys = pelorn_settings_keys(&count);
    for (size_t i = 0; i < count; i++)
    {
        const char* type = pelorn_settings_type_name(keys[i].type);
        if (keys[i].example)
            printf("  %s  %s, e.g. %s\n      %s\n", keys[i].key, type, keys[i].example, keys[i].meaning);
        else
            printf("  %s  %s, read only\n      %s\n", keys[i].key, type, keys[i].meaning);
    }
    fputs(HELP_TAIL, stdout);
}

int Usage()
{
    fprintf(stderr, "usage: vconftool get KEY\n"
                    "       vconftool set -t int|bool|string|double KEY VALUE\n"
                    "       vconftool unset KEY\n"
                    "       vconftool watch KEY\n"
                    "(see vconftool --help)\n");
    return EXIT_USAGE;
}

/* The value as text, or false when the key cannot be read. */
bool ValueText(const char* key, std::string& text)
{
    int type = vconf_get_type(key);
    int i = 0;
    double d = 0.0;
    char buffer[G_ASCII_DTOSTR_BUF_SIZE];
    switch (type)
    {
    case VCONF_TYPE_INT:
    case VCONF_TYPE_BOOL:
        if (vconf_get_int(key, &i) != VCONF_OK)
            return false;
        text = std::to_string(i);
        return true;
    case VCONF_TYPE_DOUBLE:
        if (vconf_get_dbl(key, &d) != VCONF_OK)
            return false;
        text = g_ascii_dtostr(buffer, sizeof(buffer), d);
        return true;
    case VCONF_TYPE_STRING:
    {
        char* s = vconf_get_str(key);
        if (!s)
            return false;
        text = s;
        free(s);
        return true;
    }
    default:
        return false;
    }
}

int Get(const char* key)
{
    std::string text;
    if (!ValueText(key, text))
    {
        fprintf(stderr, "vconftool: %s is not set or cannot be read\n", key);
        return EXIT_UNREADABLE;
    }
    printf("%s\n", text.c_str());
    return EXIT_SUCCESS;
}

bool ParseInt(const char* text, int& out)
{
    char* end = nullptr;
    errno = 0;
    long value = strtol(text, &end, 10);
    if (!*text || *end || errno || value < INT_MIN || value > INT_MAX)
        return false;
    out = (int)value;
    return true;
}

bool ParseBool(const char* text, int& out)
{
    if (!strcmp(text, "1") || !g_ascii_strcasecmp(text, "true"))
        out = 1;
    else if (!strcmp(text, "0") || !g_ascii_strcasecmp(text, "false"))
        out = 0;
    else
        return false;
    return true;
}

bool ParseDouble(const char* text, double& out)
{
    char* end = nullptr;
    errno = 0;
    out = g_ascii_strtod(text, &end);
    return *text && !*end && !errno;
}

/* The link keys follow the phone's presence: a value set by hand would be
 * overwritten by the next reader, so it is refused where it is typed. */
bool RefusedAsPlatformKept(const char* key)
{
    if (!pelorn_link_state_owns(key))
        return false;
    fprintf(stderr,
            "vconftool: %s is kept by the platform from the phone's presence (phone-sim) and cannot be set by "
            "hand; end phone-sim to play a lost phone\n",
            key);
    return true;
}

int Set(const char* type, const char* key, const char* value)
{
    if (RefusedAsPlatformKept(key))
        return EXIT_USAGE;
    int ret = VCONF_ERROR;
    int i = 0;
    double d = 0.0;
    if (!strcmp(type, "int"))
    {
        if (!ParseInt(value, i))
            return fprintf(stderr, "vconftool: \"%s\" is not an int\n", value), EXIT_USAGE;
        ret = vconf_set_int(key, i);
    }
    else if (!strcmp(type, "bool"))
    {
        if (!ParseBool(value, i))
            return fprintf(stderr, "vconftool: \"%s\" is not a bool (1, 0, true, false)\n", value), EXIT_USAGE;
        ret = vconf_set_bool(key, i);
    }
    else if (!strcmp(type, "double"))
    {
        if (!ParseDouble(value, d))
            return fprintf(stderr, "vconftool: \"%s\" is not a double\n", value), EXIT_USAGE;
        ret = vconf_set_dbl(key, d);
    }
    else if (!strcmp(type, "string"))
    {
        ret = vconf_set_str(key, value);
    }
    else
    {
        return Usage();
    }
    const pelorn_settings_key_s* known = pelorn_settings_key_find(key);
    if (ret == VCONF_ERROR_WRONG_TYPE && known)
    {
        fprintf(stderr, "vconftool: %s is of type %s, not %s: use -t %s\n", key,
                pelorn_settings_type_name(known->type), type, pelorn_settings_type_name(known->type));
        return EXIT_USAGE;
    }
    if (ret != VCONF_OK)
    {
        fprintf(stderr, "vconftool: cannot set %s (%d)\n", key, ret);
        return ret == VCONF_ERROR_WRONG_PREFIX || ret == VCONF_ERROR_WRONG_VALUE ? EXIT_USAGE : EXIT_UNREADABLE;
    }
    return EXIT_SUCCESS;
}

int Unset(const char* key)
{
    if (RefusedAsPlatformKept(key))
        return EXIT_USAGE;
    int ret = vconf_unset(key);
    if (ret != VCONF_OK)
    {
        fprintf(stderr, "vconftool: cannot unset %s (%d)\n", key, ret);
        return ret == VCONF_ERROR_WRONG_PREFIX ? EXIT_USAGE : EXIT_UNREADABLE;
    }
    return EXIT_SUCCESS;
}

void KeyChangedCb(keynode_t* node, void* data)
{
    const char* key = vconf_keynode_get_name(node);
    std::string text;
    if (ValueText(key, text))
        printf("%s=%s\n", key, text.c_str());
    else
        printf("%s unset\n", key);
    fflush(stdout);
}

gboolean StopCb(gpointer data)
{
    g_main_loop_quit(static_cast<GMainLoop*>(data));
    return G_SOURCE_REMOVE;
}

int Watch(const char* key)
{
    if (vconf_notify_key_changed(key, KeyChangedCb, nullptr) != VCONF_OK)
    {
        fprintf(stderr, "vconftool: cannot watch %s\n", key);
        return EXIT_USAGE;
    }
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_unix_signal_add(SIGINT, StopCb, loop);
    g_unix_signal_add(SIGTERM, StopCb, loop);
    g_main_loop_run(loop);
    vconf_ignore_key_changed(key, KeyChangedCb);
    g_main_loop_unref(loop);
    return EXIT_SUCCESS;
}
} // namespace

int main(int argc, char** argv)
{
    // The store's own log lines (a link key derived, a file refused) belong in
    // the log file; this terminal gets vconftool's words only.
    setenv("PELORN_LOG_STDERR", "0", 1);
    if (argc == 2 && (!strcmp(argv[1], "--help") || !strcmp(argv[1], "-h")))
    {
        PrintHelp();
        return 0;
    }
    if (argc == 3 && !strcmp(argv[1], "get"))
        return Get(argv[2]);
    if (argc == 6 && !strcmp(argv[1], "set") && !strcmp(argv[2], "-t"))
        return Set(argv[3], argv[4], argv[5]);
    if (argc == 3 && !strcmp(argv[1], "unset"))
        return Unset(argv[2]);
    if (argc == 3 && !strcmp(argv[1], "watch"))
        return Watch(argv[2]);
    return Usage();
}

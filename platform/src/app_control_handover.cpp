/* A launch request handed over on a command line: from the launcher to the
 * program it started, or from a later start to the running instance. */

#include "app_control.h"

#include "app_control_private.h"
#include "dlog.h"
#include "pelorn_paths.h"

#include <errno.h>
#include <glib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#define TAG "pelorn-platform"

namespace
{
/* A launch request names where the answer goes. Only a socket our own
 * launches made is acceptable: directly in the replies folder of our private
 * runtime folder, a socket, ours. Anything else would let whoever writes a
 * launch request make the application connect (and answer) anywhere. */
bool ReplySocketAllowed(const std::string& path)
{
    const std::string dir = pelorn_app_runtime_subdir("replies") + "/";
    const std::string name = path.compare(0, dir.size(), dir) == 0 ? path.substr(dir.size()) : std::string();
    struct stat st;
    const bool ok = !name.empty() && name.find('/') == std::string::npos && name != "." && name != ".." &&
                    lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == getuid();
    if (!ok)
        dlog_print(DLOG_ERROR, TAG, "reply socket refused: %s is not one of ours in %s", path.c_str(), dir.c_str());
    return ok;
}
} // namespace

std::string pelorn_app_runtime_subdir(const char* name)
{
    std::string dir = std::string(pelorn_runtime_dir()) + "/" + name;
    g_mkdir_with_parents(dir.c_str(), 0700);
    return dir;
}

bool pelorn_launch_request_decode(const std::string& bytes, gint64* senderDeadline, std::vector<std::string>* args)
{
    GVariant* v = bytes.empty() ? nullptr : pelorn_normal_variant(bytes, "(xas)");
    if (!v)
        return false;
    GVariant* strvValue = nullptr;
    g_variant_get(v, "(x@as)", senderDeadline, &strvValue);
    gsize n = 0;
    const gchar** strv = g_variant_get_strv(strvValue, &n);
    for (gsize i = 0; i < n; ++i)
        args->push_back(strv[i]);
    g_free(strv);
    g_variant_unref(strvValue);
    g_variant_unref(v);
    return true;
}

app_control_h pelorn_app_control_from_args(const std::vector<std::string>& args)
{
    app_control_h ac = nullptr;
    app_control_create(&ac);
    ac->appId = pelorn_app_id();
    for (const std::string& arg : args)
    {
        if (arg == "--launch-searching")
        {
            app_control_add_extra_data(ac, "launchSearching", "true");
        }
        else if (arg.rfind("--extra=", 0) == 0)
        {
            std::string kv = arg.substr(8);
            size_t eq = kv.find('=');
            if (eq == std::string::npos || eq == 0)
                continue;
            app_control_add_extra_data(ac, kv.substr(0, eq).c_str(), kv.substr(eq + 1).c_str());
        }
        else if (arg.rfind("--reply-socket=", 0) == 0)
        {
            struct sockaddr_un addr;
            if (!ReplySocketAllowed(arg.substr(15)) || !pelorn_unix_address(arg.substr(15), &addr))
                continue;
            int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (fd < 0)
                continue;
            if (connect(fd, (struct sockaddr*)&addr, sizeof(addr)) != 0)
            {
                dlog_print(DLOG_ERROR, TAG, "reply socket %s: %s", addr.sun_path, strerror(errno));
                close(fd);
                continue;
            }
            ac->reply = std::make_shared<ReplyChannel>();
            ac->reply->fd = fd;
        }
    }
    return ac;
}


#include "quenlor_log_manager.h"

#include "dlog.h"
#include "pelorn_paths.h"

#include <errno.h>
#include <fcntl.h>
#include <glib.h>
#include <set>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>

#define USAGE_LOG_TAG "usage-log"

struct quenlor_log_manager_s
{
    int nextRequestId = 1;
    std::set<guint> pendingSources; // completion callbacks not delivered yet
};

namespace
{
struct Completion
{
    quenlor_log_manager_h handle;
    guint sourceId;
    int requestId;
    std::string uri;
    int result;
    quenlor_log_manager_insert_cb cb;
    void* userData;
};

std::string StorePath()
{
    return std::string(pelorn_state_dir()) + "/usage-log.txt";
}

std::string Escaped(const char* text)
{
    gchar* escaped = g_strescape(text, nullptr); // keeps UTF-8 readable, escapes tabs, newlines, '\\', '"'
    std::string out(escaped);
    g_free(escaped);
    return out;
}

void AppendEntry(const char* key, const char* value, void* data)
{
    std::string* line = static_cast<std::string*>(data);
    *line += "\t" + Escaped(key) + "=" + Escaped(value);
}

/* One write() on an O_APPEND descriptor: records from several processes never interleave. */
int AppendRecord(const std::string& line)
{
    int fd = open(StorePath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
    {
        dlog_print(DLOG_ERROR, USAGE_LOG_TAG, "cannot open %s: %s", StorePath().c_str(), g_strerror(errno));
        return QUENLOR_LOG_MANAGER_ERROR_IO_ERROR;
    }
    ssize_t written = write(fd, line.data(), line.size());
    int saved = errno;
    close(fd);
    if (written != (ssize_t)line.size())
    {
        dlog_print(DLOG_ERROR, USAGE_LOG_TAG, "cannot append to %s: %s", StorePath().c_str(),
                   written < 0 ? g_strerror(saved) : "short write");
        return QUENLOR_LOG_MANAGER_ERROR_IO_ERROR;
    }
    return QUENLOR_LOG_MANAGER_ERROR_NONE;
}

gboolean DeliverCompletionCb(gpointer data)
{
    Completion* completion = static_cast<Completion*>(data);
    completion->handle->pendingSources.erase(completion->sourceId);
    completion->cb(completion->requestId, completion->uri.c_str(), completion->result, completion->userData);
    return G_SOURCE_REMOVE;
}

void FreeCompletion(gpointer data)
{
    delete static_cast<Completion*>(data);
}
} // namespace

int quenlor_log_manager_create(quenlor_log_manager_h* handle)
{
    if (!handle)
        return QUENLOR_LOG_MANAGER_ERROR_INVALID_PARAMETER;
    *handle = new (std::nothrow) quenlor_log_manager_s();
    return *handle ? QUENLOR_LOG_MANAGER_ERROR_NONE : QUENLOR_LOG_MANAGER_ERROR_OUT_OF_MEMORY;
}

int quenlor_log_manager_destroy(quenlor_log_manager_h handle)
{
    if (!handle)
        return QUENLOR_LOG_MANAGER_ERROR_INVALID_PARAMETER;
    for (guint id : handle->pendingSources)
        g_source_remove(id);
    delete handle;
    return QUENLOR_LOG_MANAGER_ERROR_NONE;
}

int quenlor_log_manager_insert(quenlor_log_manager_h handle, const char* uri, bundle* data,
                               quenlor_log_manager_insert_cb cb, void* user_data, int* request_id)
{
    if (!handle || !uri || !*uri || !data)
        return QUENLOR_LOG_MANAGER_ERROR_INVALID_PARAMETER;

    GDateTime* now = g_date_time_new_now_utc();
    gchar* stamp = g_date_time_format(now, "%Y-%m-%dT%H:%M:%SZ");
    g_date_time_unref(now);
    std::string line = std::string(stamp) + "\t" + Escaped(uri);
    g_free(stamp);
    bundle_iterate_str(data, AppendEntry, &line);
    line += "\n";

    int result = AppendRecord(line);
    int id = handle->nextRequestId++;
    if (request_id)
        *request_id = id;
    if (result != QUENLOR_LOG_MANAGER_ERROR_NONE)
        return result;
    if (cb)
    {
        Completion* completion = new Completion{handle, 0, id, uri, result, cb, user_data};
        completion->sourceId = g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, DeliverCompletionCb, completion, FreeCompletion);
        handle->pendingSources.insert(completion->sourceId);
    }
    return QUENLOR_LOG_MANAGER_ERROR_NONE;
}

char* quenlor_log_manager_get_store_path(void)
{
    return strdup(StorePath().c_str());
}

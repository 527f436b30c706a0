/* The launched application's answer: sent on the reply socket its request
 * carries, and read back by the launcher. */

#include "app_control.h"

#include "app_control_private.h"

#include <errno.h>
#include <glib.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
const char REPLY_VARIANT_TYPE[] = "(ia{ss})";
} // namespace

bool pelorn_app_control_reply_decode(const std::string& bytes, int* result,
                                     std::vector<std::pair<std::string, std::string>>* extras)
{
    GVariant* v = bytes.empty() ? nullptr : pelorn_normal_variant(bytes, REPLY_VARIANT_TYPE);
    if (!v)
        return false;
    gint32 code = 0;
    GVariantIter* iter = nullptr;
    g_variant_get(v, "(ia{ss})", &code, &iter);
    // Only the results a launcher knows; any other number is not a reply.
    const bool known = code == APP_CONTROL_RESULT_APP_STARTED || code == APP_CONTROL_RESULT_SUCCEEDED ||
                       code == APP_CONTROL_RESULT_FAILED || code == APP_CONTROL_RESULT_CANCELED;
    const gchar* key;
    const gchar* value;
    while (known && g_variant_iter_next(iter, "{&s&s}", &key, &value))
        extras->emplace_back(key, value);
    g_variant_iter_free(iter);
    g_variant_unref(v);
    if (known)
        *result = code;
    return known;
}

int app_control_reply_to_launch_request(app_control_h reply, app_control_h request, app_control_result_e result)
{
    if (!reply || !request)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (!request->reply || request->reply->fd < 0)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;

    GVariantBuilder extras;
    g_variant_builder_init(&extras, G_VARIANT_TYPE("a{ss}"));
    for (const auto& kv : reply->extras)
        g_variant_builder_add(&extras, "{ss}", kv.first.c_str(), kv.second.c_str());
    GVariant* v = g_variant_ref_sink(g_variant_new("(ia{ss})", (gint32)result, &extras));
    const char* bytes = static_cast<const char*>(g_variant_get_data(v));
    size_t left = g_variant_get_size(v);
    int ret = APP_CONTROL_ERROR_NONE;
    while (left > 0)
    {
        ssize_t n = send(request->reply->fd, bytes, left, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            ret = APP_CONTROL_ERROR_IO_ERROR;
            break;
        }
        bytes += n;
        left -= (size_t)n;
    }
    g_variant_unref(v);
    close(request->reply->fd);
    request->reply->fd = -1;
    return ret;
}

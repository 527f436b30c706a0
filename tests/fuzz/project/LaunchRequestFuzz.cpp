/* A launch request as a later start of the application hands it over on
 * the launch socket, decoded and turned into the request the application
 * receives; every extra data it carries is read back. */

#include "app_control.h"
#include "app_control_private.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace
{
bool TouchExtraCb(app_control_h app_control, const char* key, void* user_data)
{
    char* value = nullptr;
    if (app_control_get_extra_data(app_control, key, &value) != APP_CONTROL_ERROR_NONE || !value)
        abort();
    *static_cast<size_t*>(user_data) += strlen(key) + strlen(value);
    free(value);
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> args;
    gint64 deadline = 0;
    if (!pelorn_launch_request_decode(std::string(reinterpret_cast<const char*>(data), size), &deadline, &args))
        return 0;
    app_control_h request = pelorn_app_control_from_args(args);
    if (!request)
        abort();
    size_t touched = 0;
    app_control_foreach_extra_data(request, TouchExtraCb, &touched);
    app_control_destroy(request);
    return 0;
}

/* A launched application's reply as it comes back on the reply socket: the
 * launcher takes a result and the reply's extra data from it, or drops it. */

#include "app_control.h"
#include "app_control_private.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string>
#include <utility>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int result = 42;
    std::vector<std::pair<std::string, std::string>> extras;
    const bool taken =
        pelorn_app_control_reply_decode(std::string(reinterpret_cast<const char*>(data), size), &result, &extras);
    if (!taken)
    {
        if (result != 42 || !extras.empty())
            abort();
        return 0;
    }
    if (result != APP_CONTROL_RESULT_APP_STARTED && result != APP_CONTROL_RESULT_SUCCEEDED &&
        result != APP_CONTROL_RESULT_FAILED && result != APP_CONTROL_RESULT_CANCELED)
        abort();
    // The launcher hands these on as a reply object.
    app_control_h reply = nullptr;
    app_control_create(&reply);
    for (const auto& kv : extras)
        app_control_add_extra_data(reply, kv.first.c_str(), kv.second.c_str());
    app_control_destroy(reply);
    return 0;
}

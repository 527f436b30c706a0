/* A settings key's file as the store reads it: whatever another process, a
 * hand edit or a damaged disk left in it. Every way of reading it must answer
 * with a value or a refusal; a value read must survive being stored again. */

#include "FuzzFiles.h"
#include "vconf.h"
#include "pelorn_paths.h"

#include <glib.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string>

namespace
{
const char* const KEY = "db/fuzz/value";

void Require(bool condition)
{
    if (!condition)
        abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = [] {
        const std::string dir = std::string(pelorn_state_dir()) + "/vconf/db/fuzz";
        g_mkdir_with_parents(dir.c_str(), 0700);
        return dir + "/value";
    }();
    if (!WriteWhole(path, data, size))
        abort();

    (void)vconf_get_type(KEY);
    int b = 0;
    (void)vconf_get_bool(KEY, &b);
    double d = 0;
    (void)vconf_get_dbl(KEY, &d);
    int i = 0;
    const bool isInt = vconf_get_int(KEY, &i) == VCONF_OK;
    char* s = vconf_get_str(KEY);
    const std::string text = s ? s : "";
    const bool isStr = s != nullptr;
    free(s);

    // What was read back is stored and read again unchanged.
    if (isInt)
    {
        int again = ~i;
        Require(vconf_set_int(KEY, i) == VCONF_OK && vconf_get_int(KEY, &again) == VCONF_OK && again == i);
    }
    if (isStr)
    {
        Require(vconf_set_str(KEY, text.c_str()) == VCONF_OK);
        char* again = vconf_get_str(KEY);
        Require(again && text == again);
        free(again);
    }
    return 0;
}

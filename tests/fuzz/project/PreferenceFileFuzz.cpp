/* The application's preferences key file as the preference store and the
 * common helpers read it at start-up: whatever a hand edit or a damaged disk
 * left in it. Every getter answers with a value or its default; a set after
 * such a file is read back as set. */

#include "FuzzFiles.h"
#include "PreferenceUtil.h"
#include "app_preference.h"
#include "pelorn_paths.h"

#include <fcntl.h>
#include <glib.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>

using NSORZCommon::PreferenceUtil;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = [] {
        const std::string dir = std::string(pelorn_state_dir()) + "/preferences";
        g_mkdir_with_parents(dir.c_str(), 0700);
        return dir + "/" + pelorn_app_id() + ".ini";
    }();
    static long serial = 0;
    if (!WriteWhole(path, data, size))
        abort();
    // The store reloads a file whose inode or time changed; two writes within
    // one clock tick on a reused inode would look alike, so stamp each one.
    const struct timespec times[2] = {{1, 0}, {1 + serial / 1000000000, serial % 1000000000}};
    serial++;
    utimensat(AT_FDCWD, path.c_str(), times, 0);

    (void)PreferenceUtil::GetPermissionChecked();
    (void)PreferenceUtil::GetLastLocationCoordinate();
    (void)PreferenceUtil::GetLastLocationAddress().size();
    (void)PreferenceUtil::GetLastLocationTime();
    for (const char* key : {"WORZ_PREF_BOOL_PERMISSION_CHECKED", "WORZ_PREF_STRING_LAST_LOCATION_TIME", "x"})
    {
        int i;
        double d;
        bool b;
        char* s = nullptr;
        (void)preference_get_int(key, &i);
        (void)preference_get_double(key, &d);
        (void)preference_get_boolean(key, &b);
        if (preference_get_string(key, &s) == PREFERENCE_ERROR_NONE)
            free(s);
        (void)preference_is_existing(key, &b);
    }

    const int stored = (int)(serial & 0x7fffffff);
    int back = -1;
    if (preference_set_int("WORZ_PREF_FUZZ", stored) == PREFERENCE_ERROR_NONE &&
        (preference_get_int("WORZ_PREF_FUZZ", &back) != PREFERENCE_ERROR_NONE || back != stored))
        abort();
    return 0;
}

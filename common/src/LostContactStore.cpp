#include "LostContactStore.h"

#include "pelorn_bounded_read.h"

#include "FileUtil.h"
#include "GeoMath.h"
#include "OrzLog.h"

#include <app_common.h>
#include <glib.h>

#include <cmath>
#include <stdlib.h>

namespace
{
const char kContactGroup[] = "lost-contact";

/* A double that must be there; false when it is not. */
bool ReadDouble(GKeyFile* file, const char* key, double& out)
{
    GError* error = NULL;
    out = g_key_file_get_double(file, kContactGroup, key, &error);
    const bool ok = !error && std::isfinite(out);
    g_clear_error(&error);
    return ok;
}
} // namespace

namespace NSORZCommon
{
LostContactStore::LostContactStore(const std::string& directory)
    : mDirectory(directory.empty() ? FileUtil::GetDataDirectoryPath() : directory)
{
}

std::string LostContactStore::Path() const
{
    return mDirectory + "/lost-contact.ini";
}

bool LostContactStore::Load(LostContactRecord& record) const
{
    std::string text;
    std::string why;
    if (!pelorn_read_bounded_file(Path(), MAX_BYTES, text, &why))
    {
        if (!why.empty())
            LOGE("%s refused: %s", Path().c_str(), why.c_str());
        return false;
    }
    GKeyFile* file = g_key_file_new();
    LostContactRecord read;
    bool ok = g_key_file_load_from_data(file, text.data(), text.size(), G_KEY_FILE_NONE, NULL);
    if (ok)
    {
        GError* error = NULL;
        read.sequence = g_key_file_get_int64(file, kContactGroup, "sequence", &error);
        ok = !error && read.sequence > 0;
        g_clear_error(&error);
        read.timeMs = g_key_file_get_int64(file, kContactGroup, "time_ms", &error);
        ok = ok && !error && read.timeMs > 0;
        g_clear_error(&error);
    }
    if (ok && g_key_file_has_key(file, kContactGroup, "latitude", NULL))
    {
        read.hasFix = ReadDouble(file, "latitude", read.latitude) &&
                      ReadDouble(file, "longitude", read.longitude) &&
                      ReadDouble(file, "accuracy_m", read.accuracyM) &&
                      GeoMath::IsValidFix(read.latitude, read.longitude) && read.accuracyM >= 0;
        read.accurate = g_key_file_get_boolean(file, kContactGroup, "accurate", NULL);
        ok = read.hasFix;
    }
    if (ok && g_key_file_has_key(file, kContactGroup, "phone_latitude", NULL))
    {
        read.hasPhone = ReadDouble(file, "phone_latitude", read.phoneLatitude) &&
                        ReadDouble(file, "phone_longitude", read.phoneLongitude) &&
                        GeoMath::IsValidFix(read.phoneLatitude, read.phoneLongitude);
        ok = read.hasPhone;
    }
    g_key_file_free(file);
    if (!ok)
    {
        LOGE("%s holds no lost-contact record that makes sense; ignored", Path().c_str());
        return false;
    }
    record = read;
    return true;
}

bool LostContactStore::Save(const LostContactRecord& record)
{
    RETV_IF(mDirectory.empty(), false);
    GKeyFile* file = g_key_file_new();
    g_key_file_set_int64(file, kContactGroup, "sequence", record.sequence);
    g_key_file_set_int64(file, kContactGroup, "time_ms", record.timeMs);
    if (record.hasFix)
    {
        g_key_file_set_double(file, kContactGroup, "latitude", record.latitude);
        g_key_file_set_double(file, kContactGroup, "longitude", record.longitude);
        g_key_file_set_double(file, kContactGroup, "accuracy_m", record.accuracyM);
        g_key_file_set_boolean(file, kContactGroup, "accurate", record.accurate);
    }
    if (record.hasPhone)
    {
        g_key_file_set_double(file, kContactGroup, "phone_latitude", record.phoneLatitude);
        g_key_file_set_double(file, kContactGroup, "phone_longitude", record.phoneLongitude);
    }
    gsize length = 0;
    gchar* text = g_key_file_to_data(file, &length, NULL);
    g_key_file_free(file);
    GError* error = NULL;
    const bool ok = text && length <= MAX_BYTES &&
                    g_file_set_contents_full(Path().c_str(), text, (gssize)length,
                                             G_FILE_SET_CONTENTS_CONSISTENT, 0600, &error);
    if (!ok)
        LOGE("cannot write %s: %s", Path().c_str(), error ? error->message : "too long");
    g_clear_error(&error);
    g_free(text);
    return ok;
}
} // namespace NSORZCommon

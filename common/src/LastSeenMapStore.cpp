#include "LastSeenMapStore.h"

#include "pelorn_bounded_read.h"

#include "CoordinateCalculator.h"
#include "FileUtil.h"
#include "GeoMath.h"
#include "OrzLog.h"

#include <app_common.h>
#include <glib.h>

#include <cmath>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const char kMapGroup[] = "map";

bool ReadBounded(const std::string& path, size_t maxBytes, std::string& out)
{
    std::string why;
    if (pelorn_read_bounded_file(path, maxBytes, out, &why))
        return true;
    if (!why.empty())
        LOGE("%s refused: %s", path.c_str(), why.c_str());
    return false;
}

bool WriteAtomically(const std::string& path, const std::string& data)
{
    GError* error = NULL;
    if (!g_file_set_contents_full(path.c_str(), data.data(), (gssize)data.size(),
                                  G_FILE_SET_CONTENTS_CONSISTENT, 0600, &error))
    {
        LOGE("cannot write %s: %s", path.c_str(), error ? error->message : "?");
        g_clear_error(&error);
        return false;
    }
    return true;
}

std::string Checksum(const std::string& data)
{
    gchar* sum = g_compute_checksum_for_data(G_CHECKSUM_SHA256, (const guchar*)data.data(), data.size());
    std::string result = sum ? sum : "";
    g_free(sum);
    return result;
}

} // namespace

namespace NSORZCommon
{
LastSeenMapStore::LastSeenMapStore(const std::string& directory)
    : mDirectory(directory.empty() ? FileUtil::GetDataDirectoryPath() : directory)
{
}

std::string LastSeenMapStore::ImagePath() const
{
    return mDirectory + "/last-seen-map.img";
}

std::string LastSeenMapStore::InfoPath() const
{
    return mDirectory + "/last-seen-map.ini";
}

bool LastSeenMapStore::Load(LastSeenMap& map) const
{
    RETVM_IF(mDirectory.empty(), false, "no data folder");
    std::string info;
    if (!ReadBounded(InfoPath(), MAX_INFO_BYTES, info))
        return false;
    GKeyFile* keyFile = g_key_file_new();
    GError* error = NULL;
    bool ok = g_key_file_load_from_data(keyFile, info.data(), info.size(), G_KEY_FILE_NONE, &error);
    LastSeenMap loaded;
    std::string checksum;
    guint64 size = 0;
    if (ok)
    {
        loaded.latitude = g_key_file_get_double(keyFile, kMapGroup, "latitude", &error);
        if (!error)
            loaded.longitude = g_key_file_get_double(keyFile, kMapGroup, "longitude", &error);
        if (!error)
            loaded.provider = g_key_file_get_integer(keyFile, kMapGroup, "provider", &error);
        if (!error)
            loaded.zoom = g_key_file_get_integer(keyFile, kMapGroup, "zoom", &error);
        if (!error)
            size = g_key_file_get_uint64(keyFile, kMapGroup, "size", &error);
        if (!error)
        {
            gchar* sum = g_key_file_get_string(keyFile, kMapGroup, "sha256", &error);
            checksum = sum ? sum : "";
            g_free(sum);
        }
        ok = error == NULL;
    }
    if (!ok)
        LOGE("%s unreadable: %s", InfoPath().c_str(), error ? error->message : "?");
    g_clear_error(&error);
    g_key_file_free(keyFile);
    if (!ok)
        return false;
    if (!GeoMath::IsValidFix(loaded.latitude, loaded.longitude))
    {
        LOGE("%s: no valid position", InfoPath().c_str());
        return false;
    }
    if (!ReadBounded(ImagePath(), MAX_IMAGE_BYTES, loaded.image))
        return false;
    if (loaded.image.empty() || loaded.image.size() != size || Checksum(loaded.image) != checksum)
    {
        LOGE("%s does not match its description", ImagePath().c_str());
        return false;
    }
    map = std::move(loaded);
    return true;
}

bool LastSeenMapStore::Shows(const LastSeenMap& map, double latitude, double longitude)
{
    CoordinateCalculator calculator;
    return calculator.GetDistance(map.latitude, map.longitude, latitude, longitude) <= MIN_MOVE_METRES;
}

bool LastSeenMapStore::SaveIfMoved(const LastSeenMap& map)
{
    RETVM_IF(mDirectory.empty(), false, "no data folder");
    RETVM_IF(map.image.empty() || map.image.size() > MAX_IMAGE_BYTES, false, "picture empty or too large");
    RETVM_IF(!GeoMath::IsValidFix(map.latitude, map.longitude), false, "no valid position");
    LastSeenMap stored;
    if (Load(stored) && Shows(stored, map.latitude, map.longitude))
        return false;

    GKeyFile* keyFile = g_key_file_new();
    g_key_file_set_double(keyFile, kMapGroup, "latitude", map.latitude);
    g_key_file_set_double(keyFile, kMapGroup, "longitude", map.longitude);
    g_key_file_set_integer(keyFile, kMapGroup, "provider", map.provider);
    g_key_file_set_integer(keyFile, kMapGroup, "zoom", map.zoom);
    g_key_file_set_uint64(keyFile, kMapGroup, "size", map.image.size());
    g_key_file_set_string(keyFile, kMapGroup, "sha256", Checksum(map.image).c_str());
    gsize length = 0;
    gchar* info = g_key_file_to_data(keyFile, &length, NULL);
    g_key_file_free(keyFile);
    std::string infoText(info ? info : "", length);
    g_free(info);

    // The picture first: until the description follows, the old description no
    // longer matches and nothing is drawn rather than the wrong place.
    return WriteAtomically(ImagePath(), map.image) && WriteAtomically(InfoPath(), infoText);
}
} // namespace NSORZCommon

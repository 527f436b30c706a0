#ifndef ORZ_COMMON_LAST_SEEN_MAP_STORE_H
#define ORZ_COMMON_LAST_SEEN_MAP_STORE_H

#include <string>

namespace NSORZCommon
{
/* A map picture as fetched, with what it shows. */
struct LastSeenMap
{
    std::string image;
    double latitude = 0.0;
    double longitude = 0.0;
    int provider = 0;
    int zoom = 0;
};

/* The last map picture that was shown, kept in the application's data folder
 * (mode 0600) so the last known position can be drawn with no network. The
 * picture and a key file describing it (position, provider, zoom, size and
 * checksum of the picture) are each replaced atomically; a pair that does not
 * match, as after a crash between the two writes, reads as no picture. */
class LastSeenMapStore
{
public:
    /* Larger files are never read or written. */
    static const size_t MAX_IMAGE_BYTES = 4 * 1024 * 1024;
    static const size_t MAX_INFO_BYTES = 4096;
    /* A stored picture is replaced only by one of a position further away. */
    static constexpr double MIN_MOVE_METRES = 10.0;

    /* directory empty: the application's data folder. */
    explicit LastSeenMapStore(const std::string& directory = std::string());

    /* False (and a log line) when nothing usable is stored. */
    bool Load(LastSeenMap& map) const;
    /* Stores the picture unless the stored one shows a position within
     * MIN_MOVE_METRES of it; true when it was written. */
    bool SaveIfMoved(const LastSeenMap& map);
    /* Whether the stored picture shows that position (within MIN_MOVE_METRES). */
    static bool Shows(const LastSeenMap& map, double latitude, double longitude);

    std::string ImagePath() const;
    std::string InfoPath() const;

private:
    std::string mDirectory;
};
} // namespace NSORZCommon

#endif

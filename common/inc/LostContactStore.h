#ifndef ORZ_COMMON_LOST_CONTACT_STORE_H
#define ORZ_COMMON_LOST_CONTACT_STORE_H

#include <stdint.h>
#include <string>

namespace NSORZCommon
{
/* Where and when the link to the phone dropped, as the watch's background
 * side saw it. */
struct LostContactRecord
{
    /* One more than the record it superseded; orders losses. */
    int64_t sequence = 0;
    /* Wall clock of the drop, ms since the epoch. */
    int64_t timeMs = 0;

    /* The watch's own fix after the drop, when it got one. */
    bool hasFix = false;
    double latitude = 0;
    double longitude = 0;
    double accuracyM = 0;
    /* False when no fix was as good as LostContactRecorder::GOOD_ACCURACY_M
     * within its window and this is the best one it got. */
    bool accurate = false;

    /* The phone's last reported position before the drop, when there was one. */
    bool hasPhone = false;
    double phoneLatitude = 0;
    double phoneLongitude = 0;
};

/* The newest lost-contact record in the application's data folder: one key
 * file (mode 0600) replaced atomically, at most MAX_BYTES, so a crash leaves
 * the old record or the new one. One that cannot be read or makes no sense
 * is ignored with a log line. */
class LostContactStore
{
public:
    static const size_t MAX_BYTES = 4096;

    /* directory empty: the application's data folder. */
    explicit LostContactStore(const std::string& directory = std::string());

    bool Load(LostContactRecord& record) const;
    bool Save(const LostContactRecord& record);
    std::string Path() const;

private:
    std::string mDirectory;
};
} // namespace NSORZCommon

#endif

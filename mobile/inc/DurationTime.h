#ifndef PELORN_MOBILE_DURATION_TIME_H
#define PELORN_MOBILE_DURATION_TIME_H

#include <cstdint>

namespace NSPelorn
{
/* How long the phone rang: set at the start press and at the stop press,
 * in wall-clock milliseconds cut to 32 bits (only differences matter). */
class DurationTime
{
public:
    int32_t mStartTime = 0;
    int32_t mEndTime = 0;
    int32_t mDuration = 0;

    // seconds * 1000 + microseconds / 1000 of the wall clock, truncated to 32 bits.
    static int32_t NowMs();
};
} // namespace NSPelorn

#endif

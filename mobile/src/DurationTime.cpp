#include "DurationTime.h"

#include "pelorn_clock.h"

namespace NSPelorn
{
int32_t DurationTime::NowMs()
{
    // The wall clock through the clock seam, so tests can move it by hand.
    return (int32_t)(uint32_t)(uint64_t)pelorn_clock_wall_ms();
}
} // namespace NSPelorn

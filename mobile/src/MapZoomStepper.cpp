#include "MapZoomStepper.h"

namespace NSPelorn
{
MapZoomStepper::MapZoomStepper() : mActive(false), mShown(0), mWanted(0), mInFlight(-1), mMin(0), mMax(0) {}

void MapZoomStepper::Reset(int shownZoom, int minZoom, int maxZoom)
{
    mActive = minZoom <= maxZoom;
    mMin = minZoom;
    mMax = maxZoom;
    mShown = shownZoom < minZoom ? minZoom : (shownZoom > maxZoom ? maxZoom : shownZoom);
    mWanted = mShown;
    mInFlight = -1;
}

bool MapZoomStepper::Turn(int detents)
{
    if (!mActive || detents == 0)
        return false;
    // Counted in long so that no number of detents can overflow the sum.
    long wanted = (long)mWanted + detents;
    if (wanted < mMin)
        wanted = mMin;
    if (wanted > mMax)
        wanted = mMax;
    if (wanted == mWanted)
        return false;
    mWanted = (int)wanted;
    return true;
}

int MapZoomStepper::TakeRequest()
{
    if (!mActive || InFlight() || mWanted == mShown)
        return -1;
    mInFlight = mWanted;
    return mInFlight;
}

void MapZoomStepper::Arrived()
{
    if (!InFlight())
        return;
    mShown = mInFlight;
    mInFlight = -1;
}

void MapZoomStepper::Failed()
{
    mInFlight = -1;
    mWanted = mShown;
}
} // namespace NSPelorn

#ifndef PELORN_MOBILE_LOCATION_VIEW_EVENT_LISTENER_H
#define PELORN_MOBILE_LOCATION_VIEW_EVENT_LISTENER_H

#include "Coordinate.h"

#include <string>

namespace NSPelorn
{
/* How the phone-location view asks its controller for the map and for leaving. */
class MobileLocationViewEventListener
{
public:
    virtual void OnLocationMapImageRequested(NSORZCommon::Coordinate position, std::string address) = 0;
    virtual void OnLocationMapImageFailed() = 0;
    /* The last known position is shown instead of a live one: its picture,
     * from the data folder when it still shows that position. */
    virtual void OnLastSeenMapImageRequested(NSORZCommon::Coordinate position) = 0;
    /* The bezel turned over the map: positive detents zoom in. */
    virtual void OnMapZoomTurned(int detents) = 0;
};
} // namespace NSPelorn

#endif

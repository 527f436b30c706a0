#ifndef PELORN_MAP_ZOOM_STEPPER_H
#define PELORN_MAP_ZOOM_STEPPER_H

namespace NSPelorn
{
/* Where the bezel has taken the map's zoom and which picture to fetch next.
 * Each detent moves the wanted zoom one step within the provider's range;
 * only one picture is fetched at a time, so turns made while one is on its
 * way add up to a single request for where the bezel ended. */
class MapZoomStepper
{
public:
    MapZoomStepper();

    /* A picture at shownZoom is on screen and nothing is being fetched. */
    void Reset(int shownZoom, int minZoom, int maxZoom);
    /* Before the first picture the bezel does nothing. */
    bool IsActive() const
    {
        return mActive;
    }
    /* Positive detents zoom in. True when the wanted zoom moved. */
    bool Turn(int detents);
    /* The zoom to fetch now, marked as on its way; -1 when a fetch is
     * already on its way or the wanted zoom is shown. */
    int TakeRequest();
    /* The picture fetched for the zoom on its way is now shown. */
    void Arrived();
    /* The fetch failed: the shown picture stays and the bezel starts again from it. */
    void Failed();

    int Shown() const
    {
        return mShown;
    }
    int Wanted() const
    {
        return mWanted;
    }
    bool InFlight() const
    {
        return mInFlight >= 0;
    }

private:
    bool mActive;
    int mShown;
    int mWanted;
    int mInFlight;
    int mMin;
    int mMax;
};
} // namespace NSPelorn

#endif

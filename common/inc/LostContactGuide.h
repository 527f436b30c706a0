#ifndef ORZ_COMMON_LOST_CONTACT_GUIDE_H
#define ORZ_COMMON_LOST_CONTACT_GUIDE_H

#include "LostContactStore.h"

#include <string>

namespace NSORZCommon
{
/* Which way to walk back to a lost phone: from the watch's current fix and
 * compass heading to one of two spots, where contact was lost or where the
 * phone last reported. Words come from the caller (already translated), so
 * this stays free of the toolkit. */
class LostContactGuide
{
public:
    /* Closer than this the wearer is at the spot. */
    static constexpr double HERE_M = 20.0;
    /* An arrow turned by less than this is not drawn again. */
    static constexpr double REDRAW_DEG = 5.0;

    enum class Spot
    {
        LOST_CONTACT,
        PHONE_REPORTED,
    };

    LostContactGuide(const LostContactRecord& record, const std::string& language, bool imperial);

    /* The other spot, when the record has both; answers whether it changed. */
    bool ToggleSpot();
    Spot GetSpot() const { return mSpot; }
    bool SpotKnown() const;
    double SpotLatitude() const;
    double SpotLongitude() const;

    void SetFix(double latitude, double longitude);
    void SetNoPosition();
    /* negative: no compass, the arrow is drawn north-up. */
    void SetHeading(double headingDeg);

    bool PositionKnown() const { return mHasFix; }
    bool IsHere() const;
    /* "350 m"; empty while the position or the spot is not known. */
    std::string DistanceText() const;
    /* "NE" / "북동"; empty as above. */
    std::string CompassWord() const;
    /* Degrees clockwise from the top of the screen. */
    double ArrowDeg() const;
    /* "350 metres north-east" / "350미터 북동쪽". */
    std::string SpokenWay() const;

    /* Whether what is drawn is out of date: the distance text changed, the
     * arrow turned by REDRAW_DEG or more, or the position came or went. */
    bool NeedsRedraw() const;
    void MarkDrawn();

private:
    LostContactRecord mRecord;
    std::string mLanguage;
    bool mImperial;
    Spot mSpot;
    bool mHasFix = false;
    double mLatitude = 0;
    double mLongitude = 0;
    double mHeading = -1;

    bool mDrawn = false;
    bool mDrawnKnown = false;
    std::string mDrawnText;
    double mDrawnArrow = 0;
};
} // namespace NSORZCommon

#endif

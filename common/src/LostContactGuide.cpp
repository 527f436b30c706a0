#include "LostContactGuide.h"

#include "GeoMath.h"

#include <cmath>

namespace NSORZCommon
{
LostContactGuide::LostContactGuide(const LostContactRecord& record, const std::string& language,
                                   bool imperial)
    : mRecord(record), mLanguage(language), mImperial(imperial),
      mSpot(record.hasFix || !record.hasPhone ? Spot::LOST_CONTACT : Spot::PHONE_REPORTED)
{
}

bool LostContactGuide::ToggleSpot()
{
    if (!mRecord.hasFix || !mRecord.hasPhone)
        return false;
    mSpot = mSpot == Spot::LOST_CONTACT ? Spot::PHONE_REPORTED : Spot::LOST_CONTACT;
    mDrawn = false;
    return true;
}

bool LostContactGuide::SpotKnown() const
{
    return mSpot == Spot::LOST_CONTACT ? mRecord.hasFix : mRecord.hasPhone;
}

double LostContactGuide::SpotLatitude() const
{
    return mSpot == Spot::LOST_CONTACT ? mRecord.latitude : mRecord.phoneLatitude;
}

double LostContactGuide::SpotLongitude() const
{
    return mSpot == Spot::LOST_CONTACT ? mRecord.longitude : mRecord.phoneLongitude;
}

void LostContactGuide::SetFix(double latitude, double longitude)
{
    mHasFix = std::isfinite(latitude) && std::isfinite(longitude);
    mLatitude = latitude;
    mLongitude = longitude;
}

void LostContactGuide::SetNoPosition()
{
    mHasFix = false;
}

void LostContactGuide::SetHeading(double headingDeg)
{
    mHeading = std::isfinite(headingDeg) && headingDeg >= 0 ? headingDeg : -1;
}

bool LostContactGuide::IsHere() const
{
    return mHasFix && SpotKnown() &&
           GeoMath::DistanceM(mLatitude, mLongitude, SpotLatitude(), SpotLongitude()) < HERE_M;
}

std::string LostContactGuide::DistanceText() const
{
    if (!mHasFix || !SpotKnown())
        return std::string();
    return GeoMath::DistanceText(GeoMath::DistanceM(mLatitude, mLongitude, SpotLatitude(), SpotLongitude()),
                                 mImperial);
}

std::string LostContactGuide::CompassWord() const
{
    if (!mHasFix || !SpotKnown())
        return std::string();
    return GeoMath::CompassWord(GeoMath::CompassPoint(GeoMath::InitialBearingDeg(
                                    mLatitude, mLongitude, SpotLatitude(), SpotLongitude())),
                                mLanguage);
}

double LostContactGuide::ArrowDeg() const
{
    if (!mHasFix || !SpotKnown())
        return 0;
    const double bearing = GeoMath::InitialBearingDeg(mLatitude, mLongitude, SpotLatitude(), SpotLongitude());
    return GeoMath::NormaliseDeg(bearing - (mHeading >= 0 ? mHeading : 0));
}

std::string LostContactGuide::SpokenWay() const
{
    if (!mHasFix || !SpotKnown())
        return std::string();
    const double metres = GeoMath::DistanceM(mLatitude, mLongitude, SpotLatitude(), SpotLongitude());
    const int point = GeoMath::CompassPoint(
        GeoMath::InitialBearingDeg(mLatitude, mLongitude, SpotLatitude(), SpotLongitude()));
    return GeoMath::DistanceSpoken(metres, mImperial, mLanguage) + " " +
           GeoMath::CompassSpoken(point, mLanguage);
}

bool LostContactGuide::NeedsRedraw() const
{
    const bool known = mHasFix && SpotKnown();
    return !mDrawn || known != mDrawnKnown || DistanceText() != mDrawnText ||
           std::fabs(GeoMath::TurnDeg(mDrawnArrow, ArrowDeg())) >= REDRAW_DEG;
}

void LostContactGuide::MarkDrawn()
{
    mDrawn = true;
    mDrawnKnown = mHasFix && SpotKnown();
    mDrawnText = DistanceText();
    mDrawnArrow = ArrowDeg();
}
} // namespace NSORZCommon

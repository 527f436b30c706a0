#include "MapHttpQueryBuilder.h"

#include "OrzLog.h"

#include <cmath>
#include <iomanip>
#include <locale>
#include <sstream>

namespace NSPelorn
{
MapHttpQueryBuilder::MapHttpQueryBuilder(int minZoom, int maxZoom)
    : mMapWidth(360), mMapHeight(360), mZoom(0), mMinZoom(minZoom), mMaxZoom(maxZoom), mLongitude(0.0),
      mLatitude(0.0)
{
}

MapHttpQueryBuilder::~MapHttpQueryBuilder()
{
}

void MapHttpQueryBuilder::SetCenter(double longitude, double latitude)
{
    mLongitude = longitude;
    mLatitude = latitude;
}

void MapHttpQueryBuilder::SetMapSize(int width, int height)
{
    int mapWidth = width;
    int mapHeight = height;
    RET_IF(mapWidth <= 0 || mapHeight <= 0);
    mMapWidth = mapWidth;
    mMapHeight = mapHeight;
}

int MapHttpQueryBuilder::GetMapWidth() const
{
    return mMapWidth;
}

int MapHttpQueryBuilder::GetMapHeight() const
{
    return mMapHeight;
}

void MapHttpQueryBuilder::SetZoom(int zoom)
{
    mZoom = zoom;
}

int MapHttpQueryBuilder::GetZoom() const
{
    return mZoom;
}

int MapHttpQueryBuilder::GetMinZoom() const
{
    return mMinZoom;
}

int MapHttpQueryBuilder::GetMaxZoom() const
{
    return mMaxZoom;
}

std::string MapHttpQueryBuilder::BuildQuery()
{
    return GetBaseUrl() + GetDataField();
}

int MapHttpQueryBuilder::GetClampedZoom() const
{
    int zoom = mZoom;
    if (zoom < mMinZoom)
        zoom = mMinZoom;
    if (zoom > mMaxZoom)
        zoom = mMaxZoom;
    return zoom;
}

std::string MapHttpQueryBuilder::FormatCenter(double first, double second)
{
    // The app sets the user's locale for translations; a decimal comma would
    // break the URL, so numbers are always written in the classic locale.
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << std::fixed << std::setprecision(6) << first << "," << second;
    return out.str();
}

bool MapHttpQueryBuilder::FillSizeCenterZoom(std::string& query, const char* widthKey, const char* heightKey,
                                             const char* centerKey, CenterOrder order) const
{
    int mapWidth = mMapWidth;
    int mapHeight = mMapHeight;
    RETV_IF(mapWidth <= 0 || mapHeight <= 0, false);
    double longitude = mLongitude;
    double latitude = mLatitude;
    RETV_IF(!std::isfinite(longitude) || !std::isfinite(latitude), false);
    RETV_IF(latitude < -90.0 || latitude > 90.0 || longitude < -180.0 || longitude > 180.0, false);
    ReplaceFirst(query, widthKey, std::to_string(mapWidth));
    ReplaceFirst(query, heightKey, std::to_string(mapHeight));

    std::string centerPoint = order == CenterOrder::LATITUDE_FIRST ? FormatCenter(mLatitude, mLongitude)
                                                                   : FormatCenter(mLongitude, mLatitude);
    RETV_IF(centerPoint.empty(), false);
    ReplaceFirst(query, centerKey, centerPoint);

    ReplaceFirst(query, "%zoomStr", std::to_string(GetClampedZoom()));
    return true;
}

std::string MapHttpQueryBuilder::EncodeQueryValue(const std::string& value)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(value.size());
    for (unsigned char c : value)
    {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~')
        {
            encoded.push_back((char)c);
        }
        else
        {
            encoded.push_back('%');
            encoded.push_back(kHex[c >> 4]);
            encoded.push_back(kHex[c & 0x0f]);
        }
    }
    return encoded;
}

void MapHttpQueryBuilder::ReplaceFirst(std::string& text, const std::string& placeholder, const std::string& value)
{
    std::string::size_type pos = text.find(placeholder);
    if (pos != std::string::npos)
        text.replace(pos, placeholder.size(), value);
}
} // namespace NSPelorn

#ifndef PELORN_MAP_HTTP_QUERY_BUILDER_H
#define PELORN_MAP_HTTP_QUERY_BUILDER_H

#include <string>

namespace NSPelorn
{
/* Builds one static-map request URL. A builder is made for one request,
 * configured, asked once and dropped. */
class MapHttpQueryBuilder
{
public:
    MapHttpQueryBuilder(int minZoom, int maxZoom);
    virtual ~MapHttpQueryBuilder();

    virtual void SetCenter(double longitude, double latitude);
    virtual std::string GetBaseUrl() = 0;
    /* The filled-in query, or empty text when a part of it is missing. */
    virtual std::string GetDataField() = 0;

    void SetMapSize(int width, int height);
    int GetMapWidth() const;
    int GetMapHeight() const;
    void SetZoom(int zoom);
    int GetZoom() const;
    int GetMinZoom() const;
    int GetMaxZoom() const;

    std::string BuildQuery();

protected:
    /* mZoom brought into the provider's range. */
    int GetClampedZoom() const;
    /* "first,second" with six decimals each, whatever the process locale. */
    static std::string FormatCenter(double first, double second);
    static void ReplaceFirst(std::string& text, const std::string& placeholder, const std::string& value);
    /* value percent-encoded for a query: everything but letters, digits and
     * "-._~" becomes %XX, so a value can never add or end a parameter. */
    static std::string EncodeQueryValue(const std::string& value);

    enum class CenterOrder
    {
        LATITUDE_FIRST,
        LONGITUDE_FIRST,
    };
    /* Fills the parts every provider has: picture width and height, centre
     * (in the provider's order) and the clamped zoom under "%zoomStr".
     * False, with the failed check logged and the query unfinished, when the
     * size is not positive or the centre is not a place on Earth (not
     * finite, latitude beyond ±90 or longitude beyond ±180). */
    bool FillSizeCenterZoom(std::string& query, const char* widthKey, const char* heightKey, const char* centerKey,
                            CenterOrder order) const;

    int mMapWidth;
    int mMapHeight;
    int mZoom;
    int mMinZoom;
    int mMaxZoom;
    double mLongitude;
    double mLatitude;
};
} // namespace NSPelorn

#endif

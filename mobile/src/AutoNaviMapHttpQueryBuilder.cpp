#include "AutoNaviMapHttpQueryBuilder.h"

#include "CoordinateCalculator.h"
#include "OrzLog.h"

namespace NSPelorn
{
namespace
{
const char kAutoNaviApiKey[] = "ec710e217f675fead9be0d6a5ae4f4cc";
}

AutoNaviMapHttpQueryBuilder::AutoNaviMapHttpQueryBuilder()
    : MapHttpQueryBuilder(0, 17), mBaseUrl("https://restapi.amap.com/v3/staticmap?"),
      mQueryTemplate("location=%centerStr&zoom=%zoomStr&size=%sizeWStr*%sizeHStr&key=%keyStr")
{
}

AutoNaviMapHttpQueryBuilder::~AutoNaviMapHttpQueryBuilder()
{
}

void AutoNaviMapHttpQueryBuilder::SetCenter(double longitude, double latitude)
{
    NSORZCommon::CoordinateCalculator calculator;
    NSORZCommon::Coordinate corrected = calculator.CorrectChinaOffset(NSORZCommon::Coordinate(longitude, latitude));
    MapHttpQueryBuilder::SetCenter(corrected.GetLongitude(), corrected.GetLatitude());
}

std::string AutoNaviMapHttpQueryBuilder::GetBaseUrl()
{
    return mBaseUrl;
}

std::string AutoNaviMapHttpQueryBuilder::GetApiKey()
{
    return std::string(kAutoNaviApiKey);
}

std::string AutoNaviMapHttpQueryBuilder::GetDataField()
{
    std::string query = mQueryTemplate;

    std::string apiKeyStr = GetApiKey();
    RETV_IF(apiKeyStr.empty(), std::string());
    ReplaceFirst(query, "%keyStr", apiKeyStr);

    // Logs its own failed check.
    if (!FillSizeCenterZoom(query, "%sizeWStr", "%sizeHStr", "%centerStr", CenterOrder::LONGITUDE_FIRST))
        return std::string();
    return query;
}
} // namespace NSPelorn

#include "NaverMapHttpQueryBuilder.h"

#include "OrzLog.h"

namespace NSPelorn
{
namespace
{
const char kNaverClientId[] = "CwvAIQY5W6WHIRNz2RVW";
// The service identifier registered with Naver for the client ID above.
const char kNaverPackageUrl[] = "com.quenlor.pelorn";
const char kNaverCrs[] = "EPSG:4326";
} // namespace

NaverMapHttpQueryBuilder::NaverMapHttpQueryBuilder()
    : MapHttpQueryBuilder(0, 16), mBaseUrl("https://openapi.naver.com/v1/map/staticmap.bin?"),
      mQueryTemplate("clientId=%clientIdStr&url=%packageUrlStr&crs=%crsStr&center=%ctrStr&level=%zoomStr&w=%1d&h=%"
                     "2d&baselayer=default")
{
}

NaverMapHttpQueryBuilder::~NaverMapHttpQueryBuilder()
{
}

std::string NaverMapHttpQueryBuilder::GetBaseUrl()
{
    return mBaseUrl;
}

std::string NaverMapHttpQueryBuilder::GetClientId()
{
    return std::string(kNaverClientId);
}

std::string NaverMapHttpQueryBuilder::GetPackageUrl()
{
    return std::string(kNaverPackageUrl);
}

std::string NaverMapHttpQueryBuilder::GetCrs()
{
    return std::string(kNaverCrs);
}

std::string NaverMapHttpQueryBuilder::GetDataField()
{
    std::string query = mQueryTemplate;

    std::string clientID = GetClientId();
    RETV_IF(clientID.empty(), std::string());
    ReplaceFirst(query, "%clientIdStr", clientID);

    std::string packageUrl = GetPackageUrl();
    RETV_IF(packageUrl.empty(), std::string());
    ReplaceFirst(query, "%packageUrlStr", packageUrl);

    std::string crs = GetCrs();
    RETV_IF(crs.empty(), std::string());
    ReplaceFirst(query, "%crsStr", crs);

    // Logs its own failed check.
    if (!FillSizeCenterZoom(query, "%1d", "%2d", "%ctrStr", CenterOrder::LONGITUDE_FIRST))
        return std::string();
    return query;
}
} // namespace NSPelorn

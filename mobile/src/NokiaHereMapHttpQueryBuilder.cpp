#include "NokiaHereMapHttpQueryBuilder.h"

#include "CoordinateCalculator.h"
#include "OrzLog.h"
#include "SystemUtil.h"

namespace NSPelorn
{
namespace
{
const char kHereAppId[] = "CKKz8wd1tJmkXbdtEulP";
const char kHereAppCode[] = "oIazVT1-6HQQ-A92nXfql0";

struct LanguagePair
{
    const char* system;
    const char* here;
};

const LanguagePair kHereLanguages[] = {
    {"ar", "ara"}, {"zh", "chi"}, {"nl", "dut"}, {"en", "eng"}, {"fr", "fre"}, {"de", "ger"}, {"el", "gre"},
    {"he", "heb"}, {"hi", "hin"}, {"id", "ind"}, {"it", "ita"}, {"pl", "pol"}, {"pt", "por"}, {"ru", "rus"},
    {"es", "spa"}, {"th", "tha"}, {"tr", "tur"}, {"uk", "ukr"}, {"ur", "urd"}, {"vi", "vie"},
};
} // namespace

NokiaHereMapHttpQueryBuilder::NokiaHereMapHttpQueryBuilder()
    : MapHttpQueryBuilder(0, 20), mBaseUrl("https://image.maps.api.here.com/mia/1.6/mapview?"),
      mQueryTemplate("app_id=%appIdStr&app_code=%appCodeStr&w=%1d&h=%2d&ctr=%ctrStr&z=%zoomStr&ml=%langStr")
{
}

NokiaHereMapHttpQueryBuilder::~NokiaHereMapHttpQueryBuilder()
{
}

void NokiaHereMapHttpQueryBuilder::SetCenter(double longitude, double latitude)
{
    NSORZCommon::CoordinateCalculator calculator;
    NSORZCommon::Coordinate corrected = calculator.CorrectChinaOffset(NSORZCommon::Coordinate(longitude, latitude));
    MapHttpQueryBuilder::SetCenter(corrected.GetLongitude(), corrected.GetLatitude());
}

std::string NokiaHereMapHttpQueryBuilder::GetBaseUrl()
{
    return mBaseUrl;
}

std::string NokiaHereMapHttpQueryBuilder::GetAppId()
{
    return std::string(kHereAppId);
}

std::string NokiaHereMapHttpQueryBuilder::GetAppCode()
{
    return std::string(kHereAppCode);
}

std::string NokiaHereMapHttpQueryBuilder::GetLanguageStr()
{
    NSORZCommon::SystemUtil systemUtil;
    std::string lang = systemUtil.GetCurrentSystemLangStr();
    LOGE("lang String : %s", lang.c_str());

    std::string nokiaLang = "eng";
    for (const LanguagePair& pair : kHereLanguages)
    {
        if (lang == pair.system)
        {
            nokiaLang = pair.here;
            break;
        }
    }
    LOGE("nokiaLang : %s", nokiaLang.c_str());
    return nokiaLang;
}

std::string NokiaHereMapHttpQueryBuilder::GetDataField()
{
    std::string query = mQueryTemplate;

    std::string apiAppIDStr = GetAppId();
    RETV_IF(apiAppIDStr.empty(), std::string());
    ReplaceFirst(query, "%appIdStr", apiAppIDStr);

    std::string apiAppCodeStr = GetAppCode();
    RETV_IF(apiAppCodeStr.empty(), std::string());
    ReplaceFirst(query, "%appCodeStr", apiAppCodeStr);

    // Logs its own failed check.
    if (!FillSizeCenterZoom(query, "%1d", "%2d", "%ctrStr", CenterOrder::LATITUDE_FIRST))
        return std::string();
    ReplaceFirst(query, "%langStr", GetLanguageStr());
    return query;
}
} // namespace NSPelorn

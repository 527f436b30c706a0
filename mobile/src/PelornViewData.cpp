#include "PelornViewData.h"
#include "TextDomain.h"

#include <libintl.h>

#include "FileUtil.h"
#include "OrzLog.h"


namespace NSPelorn
{
namespace
{
void ReplaceFirst(std::string& text, const std::string& placeholder, const std::string& value)
{
    size_t at = text.find(placeholder);
    if (at != std::string::npos)
        text.replace(at, placeholder.size(), value);
}
} // namespace

PelornViewData::PelornViewData()
    : mDurationTimePtr(std::make_shared<DurationTime>()), mIsLaunchedFromMomentBar(0), mIsNoViewOnLaunch(0)
{
}

std::string PelornViewData::GetTitle()
{
    return dgettext(PELORN_TEXT_DOMAIN, "WDS_ORZ_HEADER_RUX_ABB");
}

void PelornViewData::StartDurationTime()
{
    if (!mDurationTimePtr)
        mDurationTimePtr = std::make_shared<DurationTime>();
    mDurationTimePtr->mStartTime = DurationTime::NowMs();
}

void PelornViewData::StopDurationTime()
{
    RET_IF(!mDurationTimePtr);
    mDurationTimePtr->mEndTime = DurationTime::NowMs();
    // A clock set back while ringing gives no duration rather than a negative one.
    if (mDurationTimePtr->mEndTime > mDurationTimePtr->mStartTime)
        mDurationTimePtr->mDuration = mDurationTimePtr->mEndTime - mDurationTimePtr->mStartTime;
    else
        mDurationTimePtr->mDuration = 0;
}

int PelornViewData::GetDurationTime()
{
    RETV_IF(!mDurationTimePtr, 0);
    return mDurationTimePtr->mDuration;
}

std::string PelornViewData::GetEDJDirectoryPath()
{
    std::string resourceDirectory = NSORZCommon::FileUtil::GetResourceDirectoryPath();
    if (resourceDirectory.empty())
        return std::string();
    return resourceDirectory + "/contents";
}

std::string PelornViewData::GetPelornViewEDJDirectoryPath()
{
    std::string edjDirectoryPath = GetEDJDirectoryPath();
    RETV_IF(edjDirectoryPath.length() < 1, std::string());
    return edjDirectoryPath + "/mobile/edje/PelornView.edj";
}

std::string PelornViewData::GetResourcesEDJDirectoryPath()
{
    std::string edjDirectoryPath = GetEDJDirectoryPath();
    RETV_IF(edjDirectoryPath.length() < 1, std::string());
    return edjDirectoryPath + "/mobile/edje/MobileResources.edj";
}

std::string PelornViewData::GetResourcesImageDirectoryPath()
{
    std::string edjDirectoryPath = GetEDJDirectoryPath();
    RETV_IF(edjDirectoryPath.length() < 1, std::string());
    return edjDirectoryPath + "/images/";
}

std::string PelornViewData::GetLegalString()
{
    std::string name = std::string(dgettext(PELORN_TEXT_DOMAIN, "IDS_ORZ_MBODY_ZIB_M_APPLICATION_NAME")) + " &amp; " +
                       dgettext(PELORN_TEXT_DOMAIN, "WDS_ORZ_HEADER_RUX_ABB");
    std::string text = dgettext(
        PELORN_TEXT_DOMAIN,
        "WDS_ORZ_BODY_BY_ENABLING_P1SS_YOU_ACKNOWLEDGE_THAT_LOCATION_DATA_ASSOCIATED_WITH_YOUR_MOBILE_PHONE_DISCLAIMER_"
        "LEGALPHRASE");
    ReplaceFirst(text, "%1$s", name);
    ReplaceFirst(text, "%2$s", name);
    LOGE("legal string:%s", text.c_str());
    return text;
}
} // namespace NSPelorn

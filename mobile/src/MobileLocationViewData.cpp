#include "MobileLocationViewData.h"

#include "FileUtil.h"
#include "ICUUtil.h"
#include "OrzLog.h"
#include "VconfUtil.h"

#include <cstdio>

namespace NSPelorn
{
namespace
{
const char kDemoAddress[] = "Messe Berlin GmbH, Messedamm 22, 14055 Berlin, Germany";
const int kSkeleton24Hour = 9;  // "HHmm"
const int kSkeleton12Hour = 10; // "hhmm"
} // namespace

MobileLocationViewData::MobileLocationViewData() : mShowTime(false), mMoreOptionItem(0)
{
}

MobileLocationViewData::~MobileLocationViewData()
{
}

void MobileLocationViewData::SetNaviframeItem(Elm_Object_Item* item)
{
    mNaviframeItem = item;
}

Elm_Object_Item* MobileLocationViewData::GetNaviframeItem()
{
    return mNaviframeItem;
}

std::string MobileLocationViewData::GetTitle()
{
    return "Phone location";
}

std::string MobileLocationViewData::GetExtraText1()
{
    return std::string();
}

std::string MobileLocationViewData::GetExtraText2()
{
    return std::string();
}

std::string MobileLocationViewData::GetMobileLocationString()
{
    if (NSORZCommon::VconfUtil::IsLDUBinary())
        mMobileLocationString = kDemoAddress;
    return mMobileLocationString;
}

void MobileLocationViewData::SetMobileLocationString(const std::string& text)
{
    mMobileLocationString = text;
}

bool MobileLocationViewData::GetShowTime()
{
    return mShowTime;
}

void MobileLocationViewData::SetShowTime(bool showTime)
{
    mShowTime = showTime;
}

int MobileLocationViewData::GetMoreOptionItem()
{
    return mMoreOptionItem;
}

void MobileLocationViewData::SetMoreOptionItem(int item)
{
    mMoreOptionItem = item;
}

std::string MobileLocationViewData::GetResourcesEDJDirectoryPath()
{
    std::string edjDirectoryPath = NSORZCommon::FileUtil::GetResourceDirectoryPath();
    RETV_IF(edjDirectoryPath.length() < 1, std::string());
    return edjDirectoryPath + "/contents";
}

std::string MobileLocationViewData::GetMobileLocationViewEDJDirectoryPath()
{
    std::string edjDirectoryPath = GetResourcesEDJDirectoryPath();
    if (edjDirectoryPath.empty())
        return std::string();
    return edjDirectoryPath + "/mobile/edje/MobileLocationView.edj";
}

std::string MobileLocationViewData::ConvertEpochTimeToCurrentFormat(time_t epochSeconds)
{
    struct tm local;
    if (!localtime_r(&epochSeconds, &local))
        return std::string();
    const int formatType = NSORZCommon::VconfUtil::GetRegionFormatTime1224() == 1 ? kSkeleton12Hour : kSkeleton24Hour;
    std::string timeText = NSORZCommon::ICUUtil::GetFormattedDateTime(epochSeconds, formatType);

    char buffer[128];
    int ret1 = std::snprintf(buffer, sizeof(buffer), "%02d/%02d %s", local.tm_mon + 1, local.tm_mday, timeText.c_str());
    RETV_IF(ret1 < 0, std::string());
    return buffer;
}
} // namespace NSPelorn

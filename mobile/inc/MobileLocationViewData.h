#ifndef PELORN_MOBILE_LOCATION_VIEW_DATA_H
#define PELORN_MOBILE_LOCATION_VIEW_DATA_H

#include "ViewData.h"

#include <ctime>
#include <string>

namespace NSPelorn
{
class MobileLocationViewData : public NSORZUiCommon::ViewData
{
public:
    MobileLocationViewData();
    virtual ~MobileLocationViewData();

    void SetNaviframeItem(Elm_Object_Item* item) override;
    std::string GetTitle() override;
    std::string GetExtraText1() override;
    std::string GetExtraText2() override;
    Elm_Object_Item* GetNaviframeItem();

    /* In retail demonstration mode this is always the fixed demonstration address. */
    std::string GetMobileLocationString();
    void SetMobileLocationString(const std::string& text);
    bool GetShowTime();
    void SetShowTime(bool showTime);
    /* The more-option item that opened the screen. */
    int GetMoreOptionItem();
    void SetMoreOptionItem(int item);

    static std::string GetResourcesEDJDirectoryPath();
    static std::string GetMobileLocationViewEDJDirectoryPath();
    /* "MM/DD time" in local time, the time following the 12/24-hour setting. */
    std::string ConvertEpochTimeToCurrentFormat(time_t epochSeconds);

private:
    std::string mMobileLocationString;
    bool mShowTime;
    int mMoreOptionItem;
};
} // namespace NSPelorn

#endif

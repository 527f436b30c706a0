#ifndef PELORN_MOBILE_PELORN_VIEW_DATA_H
#define PELORN_MOBILE_PELORN_VIEW_DATA_H

#include <memory>
#include <string>

#include "DurationTime.h"
#include "ViewData.h"

namespace NSPelorn
{
/* The finding screen's data: how long the phone rang, how the screen was
 * launched, and where its layouts and pictures are. */
class PelornViewData : public NSORZUiCommon::ViewData
{
public:
    PelornViewData();
    ~PelornViewData() override = default;

    std::string GetTitle() override;
    Elm_Object_Item* GetNaviframeItem() const { return mNaviframeItem; }

    void StartDurationTime();
    void StopDurationTime();
    int GetDurationTime();

    static std::string GetPelornViewEDJDirectoryPath();
    std::string GetResourcesEDJDirectoryPath();
    std::string GetResourcesImageDirectoryPath();
    std::string GetLegalString();

    bool IsLaunchedFromMomentBar() const { return mIsLaunchedFromMomentBar; }
    void SetLaunchedFromMomentBar(bool launched) { mIsLaunchedFromMomentBar = launched; }
    bool GetNoViewOnLaunch() const { return mIsNoViewOnLaunch; }
    void SetNoViewOnLaunch(bool noView) { mIsNoViewOnLaunch = noView; }

private:
    // The resource directory followed by "/contents".
    static std::string GetEDJDirectoryPath();

    std::shared_ptr<DurationTime> mDurationTimePtr;
    unsigned char mIsLaunchedFromMomentBar;
    unsigned char mIsNoViewOnLaunch;
};
} // namespace NSPelorn

#endif

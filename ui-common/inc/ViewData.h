#ifndef NSORZ_UI_COMMON_VIEW_DATA_H
#define NSORZ_UI_COMMON_VIEW_DATA_H

#include <Elementary.h>
#include <string>

namespace NSORZUiCommon
{
/* What the view stack knows of a screen: its naviframe item and view type
 * (both written by ViewManager) and its title. */
class ViewData
{
public:
    ViewData() = default;
    virtual ~ViewData() = default;
    virtual void SetNaviframeItem(Elm_Object_Item* item) { mNaviframeItem = item; }
    virtual std::string GetTitle() = 0;
    virtual std::string GetExtraText1() { return std::string(); }
    virtual std::string GetExtraText2() { return std::string(); }

    Elm_Object_Item* mNaviframeItem = nullptr;
    int mViewType = 0;
};
} // namespace NSORZUiCommon

#endif

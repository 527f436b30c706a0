#ifndef NSORZ_UI_COMMON_VIEW_H
#define NSORZ_UI_COMMON_VIEW_H

#include "ViewData.h"

#include <Elementary.h>
#include <memory>

namespace NSORZUiCommon
{
/* The widgets of one screen. mObject4 is the screen's more-option widget. */
class View
{
public:
    View() = default;
    virtual ~View() = default;

    virtual Evas_Object* GetObject1() { return mObject1; }
    virtual Evas_Object* GetMoreOption() { return mObject4; }
    virtual Evas_Object* GetObject2() { return mObject2; }
    virtual Evas_Object* GetObject3() { return mObject3; }

    /* Builds the screen under the naviframe and answers the layout to push. */
    virtual Evas_Object* Create(Evas_Object* parent, std::shared_ptr<ViewData> viewDataPtr) = 0;
    virtual void Resume() = 0;
    virtual void Pause() = 0;
    virtual void Destroy() = 0;
    virtual void UpdatedByPop() = 0;
    /* Whether back may leave the screen. */
    virtual bool Pop() = 0;
    virtual void TimeTick() = 0;
    virtual void NetworkStateChanged(int state) = 0;
    virtual void LocationStateChanged(int state) = 0;
    virtual void ConsumerMsgReceived(int type, void* data) = 0;
    virtual void KivStateChanged(int state) = 0;
    virtual void TransitionFinished() = 0;

protected:
    Evas_Object* mObject1 = nullptr;
    Evas_Object* mObject2 = nullptr;
    Evas_Object* mObject3 = nullptr;
    Evas_Object* mObject4 = nullptr;
    std::shared_ptr<ViewData> mViewDataPtr;
};
} // namespace NSORZUiCommon

#endif

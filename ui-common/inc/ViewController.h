#ifndef NSORZ_UI_COMMON_VIEW_CONTROLLER_H
#define NSORZ_UI_COMMON_VIEW_CONTROLLER_H

#include "View.h"
#include "ViewData.h"
#include "ViewDeleteEventListener.h"
#include "ViewMoreButtonEventListener.h"
#include "ViewTitleButtonsEventListener.h"

#include <Elementary.h>
#include <memory>

namespace NSORZUiCommon
{
/* The logic of one screen and the unit the view stack holds. A concrete
 * controller creates its view and view data in Prepare and forwards the
 * lifecycle and events to its view after checking its typed references. */
class ViewController : public ViewTitleButtonsEventListener, public ViewDeleteEventListener,
                       public ViewMoreButtonEventListener
{
public:
    ViewController() = default;
    virtual ~ViewController() = default;

    void OnTitleButton1Clicked() override {}
    void OnTitleButton2Clicked() override {}

    virtual void Prepare() = 0;
    virtual std::shared_ptr<View> GetView() { return mViewPtr; }
    virtual std::shared_ptr<ViewData> GetViewData() { return mViewDataPtr; }
    virtual Evas_Object* Create(Evas_Object* parent) = 0;
    virtual void Resume() = 0;
    virtual void Pause() = 0;
    virtual void Destroy() = 0;
    virtual void UpdatedByPop() = 0;
    virtual bool Pop() = 0;
    virtual void TimeTick() = 0;
    virtual void NetworkStateChanged(int state) = 0;
    virtual void LocationStateChanged(int state) = 0;
    virtual void ConsumerMsgReceived(int type, void* data) = 0;
    virtual void KivStateChanged(int state) = 0;
    virtual void TransitionFinished() = 0;

    void OnMoreButtonClicked() override {}
    void OnViewDeleted() override {}

protected:
    std::shared_ptr<View> mViewPtr;
    std::shared_ptr<ViewData> mViewDataPtr;
};
} // namespace NSORZUiCommon

#endif

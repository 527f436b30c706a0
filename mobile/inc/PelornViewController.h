#ifndef PELORN_MOBILE_PELORN_VIEW_CONTROLLER_H
#define PELORN_MOBILE_PELORN_VIEW_CONTROLLER_H

#include <Ecore.h>
#include <memory>

#include "AppLauncher.h"
#include "AppLauncherReplyListener.h"
#include "PelornEventListener.h"
#include "PelornView.h"
#include "PelornViewData.h"
#include "ViewController.h"

namespace NSPelorn
{
/* The phone-finding screen's logic: turns the button, the keys and the
 * menu into requests to the phone and to other screens. */
class PelornViewController : public NSORZUiCommon::ViewController,
                             public PelornEventListener,
                             public NSORZCommon::AppLauncherReplyListener
{
public:
    PelornViewController();
    ~PelornViewController() override;

    void Prepare() override;
    std::shared_ptr<NSORZUiCommon::View> GetView() override { return mViewPtr; }
    std::shared_ptr<NSORZUiCommon::ViewData> GetViewData() override { return mViewDataPtr; }
    Evas_Object* Create(Evas_Object* parent) override;
    void Resume() override;
    void Pause() override;
    void Destroy() override;
    void UpdatedByPop() override;
    bool Pop() override;
    void TimeTick() override;
    void NetworkStateChanged(int state) override;
    void LocationStateChanged(int state) override;
    void ConsumerMsgReceived(int type, void* data) override;
    void KivStateChanged(int state) override;
    void TransitionFinished() override;

    void OnLocateButtonClicked(MoreOptionItems item) override;
    void OnFindingButtonClicked() override;
    int OnDovConnectionPopupRequested(int requestId) override;
    void OnDovConnectionPopupOutdated() override;
    int OnBTConnectionUserDefinedPopupRequested(const std::string& title, const std::string& body,
                                                int requestId) override;

    void OnReplieded(app_control_h request, app_control_h reply, app_control_result_e result,
                     int requestId) override;

private:
    static Eina_Bool EcoreKeyUpEventCb(void* data, int type, void* event);
    void RegisterKeyEventHandler();
    void UnregisterKeyEventHandler();
    void StopFindingFromKeyOrPause();
    void SendMessage(int sendType, const char* failureText);
    void EnsureAppLauncher();
    void PushLocationView(MoreOptionItems item, bool demonstration);

    std::shared_ptr<PelornView> mPelornViewPtr;
    std::shared_ptr<PelornViewData> mPelornViewDataPtr;
    std::shared_ptr<NSORZCommon::AppLauncher> mAppLauncherPtr;
    Ecore_Event_Handler* mKeyUpEventHandler;
    bool mKeyPressHandlerRegisted;
};
} // namespace NSPelorn

#endif

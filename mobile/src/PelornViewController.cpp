#include "PelornViewController.h"

#include <cstring>

#include "ConsumerMessageType.h"
#include "MobileLocationView.h"
#include "MobileLocationViewData.h"
#include "OrzLog.h"
#include "PelornMain.h"
#include "PelornViewNormalState.h"
#include "PopupTypes.h"
#include "QuenlorLogManager.h"
#include "VconfUtil.h"
#include "ViewBasicElements.h"
#include "ViewControllerFactory.h"
#include "ViewManager.h"

namespace NSPelorn
{
PelornViewController::PelornViewController() : mKeyUpEventHandler(nullptr), mKeyPressHandlerRegisted(false) {}

PelornViewController::~PelornViewController()
{
    if (mKeyUpEventHandler)
        ecore_event_handler_del(mKeyUpEventHandler);
}

void PelornViewController::Prepare()
{
    mPelornViewPtr = std::make_shared<PelornView>();
    mPelornViewDataPtr = std::make_shared<PelornViewData>();
    mViewPtr = mPelornViewPtr;
    mViewDataPtr = mPelornViewDataPtr;
    mPelornViewPtr->SetPelornEventListener(this);
    mAppLauncherPtr = std::make_shared<NSORZCommon::AppLauncher>();
    mAppLauncherPtr->SetReplyListener(this);
}

void PelornViewController::EnsureAppLauncher()
{
    if (mAppLauncherPtr)
        return;
    mAppLauncherPtr = std::make_shared<NSORZCommon::AppLauncher>();
    mAppLauncherPtr->SetReplyListener(this);
}

Evas_Object* PelornViewController::Create(Evas_Object* parent)
{
    RETV_IF(parent == NULL, NULL);
    RETV_IF(!mViewDataPtr, NULL);
    RETV_IF(!mPelornViewPtr, NULL);
    RETV_IF(!mPelornViewDataPtr, NULL);
    PelornMain* pelornMain = PelornMain::GetInstance();
    RETV_IF(pelornMain == NULL, NULL);
    return mPelornViewPtr->Create(parent, mViewDataPtr);
}

Eina_Bool PelornViewController::EcoreKeyUpEventCb(void* data, int type, void* event)
{
    auto* pThis = static_cast<PelornViewController*>(data);
    RETV_IF(pThis == NULL, ECORE_CALLBACK_PASS_ON);
    RETV_IF(pThis->mKeyPressHandlerRegisted == false, ECORE_CALLBACK_PASS_ON);
    auto* ev = static_cast<Ecore_Event_Key*>(event);
    RETV_IF(ev == NULL, ECORE_CALLBACK_PASS_ON);
    LOGE("key up - %s", ev->keyname ? ev->keyname : "");
    if (!ev->keyname || (strcmp(ev->keyname, "XF86PowerOff") != 0 && strcmp(ev->keyname, "Escape") != 0))
        return ECORE_CALLBACK_PASS_ON;
    PelornMain* pelornMain = PelornMain::GetInstance();
    RETV_IF(pelornMain == NULL, ECORE_CALLBACK_PASS_ON);
    RETV_IF(!pThis->mPelornViewPtr, ECORE_CALLBACK_PASS_ON);
    if (!pThis->mPelornViewPtr->IsNormalState())
        pThis->StopFindingFromKeyOrPause();
    return ECORE_CALLBACK_PASS_ON;
}

void PelornViewController::RegisterKeyEventHandler()
{
    if (mKeyUpEventHandler)
        ecore_event_handler_del(mKeyUpEventHandler);
    mKeyUpEventHandler = ecore_event_handler_add(ECORE_EVENT_KEY_UP, EcoreKeyUpEventCb, this);
    if (!mKeyUpEventHandler)
        LOGE("Failed to register a key up event handler");
    mKeyPressHandlerRegisted = true;
}

void PelornViewController::UnregisterKeyEventHandler()
{
    if (mKeyUpEventHandler)
    {
        ecore_event_handler_del(mKeyUpEventHandler);
        mKeyUpEventHandler = nullptr;
    }
    mKeyPressHandlerRegisted = false;
}

void PelornViewController::SendMessage(int sendType, const char* failureText)
{
    PelornMain* pelornMain = PelornMain::GetInstance();
    RET_IF(pelornMain == NULL);
    if (!pelornMain->SendAppMessageToConsumer(sendType))
        LOGE("%s", failureText);
}

// Ringing ends without a stop press: no ring duration is recorded then.
void PelornViewController::StopFindingFromKeyOrPause()
{
    mPelornViewPtr->SetNormalState();
    SendMessage(ORZ_SEND_MSG_TYPE_STOP_REQ, "SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_STOP_REQ) failed");
}

void PelornViewController::Resume()
{
    RET_IF(!mViewDataPtr);
    RET_IF(!mPelornViewPtr);
    RET_IF(!mPelornViewDataPtr);
    RegisterKeyEventHandler();
    PelornMain* pelornMain = PelornMain::GetInstance();
    RET_IF(pelornMain == NULL);
    if (pelornMain->GetLaunchSearching())
    {
        mPelornViewDataPtr->SetLaunchedFromMomentBar(true);
        pelornMain->SetLaunchSearching(false);
        if (pelornMain->GetNoViewOnLaunch())
        {
            mPelornViewDataPtr->SetNoViewOnLaunch(true);
            pelornMain->SetNoViewOnLaunch(false);
        }
    }
    else
    {
        mPelornViewDataPtr->SetLaunchedFromMomentBar(false);
    }
    if (pelornMain->IsLaunchRequested() && mPelornViewPtr->GetPopupManager())
        mPelornViewPtr->GetPopupManager()->RemoveAllPopupsExceptPopupWithId(10, 4);
    mPelornViewPtr->Resume();
}

void PelornViewController::Pause()
{
    RET_IF(!mPelornViewPtr);
    mPelornViewPtr->Pause();
    PelornMain* pelornMain = PelornMain::GetInstance();
    RET_IF(pelornMain == NULL);
    if (!mPelornViewPtr->IsNormalState())
        StopFindingFromKeyOrPause();
    Evas_Object* win = NSORZUiCommon::ViewBasicElements::GetWindow();
    if (win)
        elm_win_keygrab_unset(win, "XF86PowerOff", 0, 0);
    UnregisterKeyEventHandler();
}

void PelornViewController::Destroy()
{
    RET_IF(!mPelornViewPtr);
    mPelornViewPtr->Destroy();
}

void PelornViewController::UpdatedByPop()
{
    RET_IF(!mViewDataPtr);
    RET_IF(!mPelornViewPtr);
    RET_IF(PelornMain::GetInstance() == NULL);
    mPelornViewPtr->UpdatedByPop();
}

bool PelornViewController::Pop()
{
    RETV_IF(!mPelornViewPtr, true);
    return mPelornViewPtr->Pop();
}

void PelornViewController::TimeTick()
{
    RET_IF(!mViewDataPtr);
    RET_IF(!mPelornViewPtr);
    mPelornViewPtr->TimeTick();
}

void PelornViewController::NetworkStateChanged(int state)
{
    RET_IF(!mViewDataPtr);
    RET_IF(!mPelornViewPtr);
    mPelornViewPtr->NetworkStateChanged(state);
}

void PelornViewController::LocationStateChanged(int state)
{
    RET_IF(!mViewDataPtr);
    RET_IF(!mPelornViewPtr);
    mPelornViewPtr->LocationStateChanged(state);
}

void PelornViewController::ConsumerMsgReceived(int type, void* data)
{
    RET_IF(!mViewDataPtr);
    RET_IF(!mPelornViewPtr);
    mPelornViewPtr->ConsumerMsgReceived(type, data);
}

void PelornViewController::KivStateChanged(int state)
{
    RET_IF(!mViewDataPtr);
    RET_IF(!mPelornViewPtr);
    mPelornViewPtr->KivStateChanged(state);
}

void PelornViewController::TransitionFinished()
{
    RET_IF(!mViewDataPtr);
    RET_IF(!mPelornViewPtr);
    mPelornViewPtr->TransitionFinished();
}

void PelornViewController::OnFindingButtonClicked()
{
    LOGE("OnFindingButtonClicked");
    PelornMain* pelornMain = PelornMain::GetInstance();
    RET_IF(pelornMain == NULL);
    RET_IF(!mPelornViewDataPtr);
    RET_IF(!mPelornViewPtr);
    if (mPelornViewPtr->IsNormalState())
    {
        mPelornViewDataPtr->StartDurationTime();
        if (PelornMain::CheckConnectionAvailable())
        {
            // The ring request leaves before the button change, the radar and
            // the screen-on lock are set up (about a millisecond of work), so
            // the phone starts ringing that much sooner. The phone's answer
            // comes through the main loop, after the finding state is in place.
            SendMessage(ORZ_SEND_MSG_TYPE_START_REQ, "SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_START_REQ) failed");
            mPelornViewPtr->SetFindingState();
        }
        else
        {
            EnsureAppLauncher();
            mAppLauncherPtr->RequestDovConnectionPopup(0);
        }
        LOGE("BUTTON_TAB_START");
        // A file append nobody waits for: kept off the way to the phone.
        NSORZCommon::QuenlorLogManager::GetInstance()->CollectLogByFeature(1000, 0, 0);
        return;
    }
    mPelornViewPtr->SetViewState(std::make_shared<PelornViewNormalState>());
    SendMessage(ORZ_SEND_MSG_TYPE_STOP_REQ, "SendAppMessageToConsumer(ORZ_SEND_MSG_TYPE_STOP_REQ) failed");
    mPelornViewDataPtr->StopDurationTime();
    double duration = (double)mPelornViewDataPtr->GetDurationTime();
    NSORZCommon::QuenlorLogManager::GetInstance()->CollectLogByFeature(1001, 3, 0, duration);
    LOGE("DURATION_FOR_FIND_MOBILE : %.5f", duration);
}

void PelornViewController::OnLocateButtonClicked(MoreOptionItems item)
{
    PelornMain* pelornMain = PelornMain::GetInstance();
    RET_IF(pelornMain == NULL);
    RET_IF(mPelornViewPtr == NULL);
    auto popupManager = mPelornViewPtr->GetPopupManager();
    RET_IF(popupManager == NULL);

    if (NSORZCommon::VconfUtil::IsLDUBinary())
    {
        popupManager->RemoveAllPopup();
        PushLocationView(item, true);
        return;
    }
    if (item != LOCATE_PHONE)
        return;
    if (!PelornMain::CheckConnectionAvailable())
    {
        // With the phone out of reach its last known position is the useful answer.
        if (MobileLocationView::HasLastSeenPosition())
        {
            LOGE("phone not reachable: last seen position");
            popupManager->RemoveAllPopupsExceptPopupWithId(10, 4);
            PushLocationView(item, false);
            return;
        }
        // Only here does this screen's own connecting popup stay up: every other
        // way leads at once to the location screen, which shows its own, and a
        // popup built and deleted within one tap costs the tap a dropped frame.
        mPelornViewPtr->ShowBasicPopup((int)ORZBasicPopupType::ORZ_POPUP_TYPE_CONNECTING_TO_PHONE);
        EnsureAppLauncher();
        if (mAppLauncherPtr->RequestDovConnectionPopup(0) != 0)
            LOGE("RequestDovConnectionPopup failed");
        return;
    }
    LOGE("MoreOptionItems::LOCATE_PHONE");
    popupManager->RemoveAllPopupsExceptPopupWithId(10, 4);
    PushLocationView(item, false);
}

void PelornViewController::PushLocationView(MoreOptionItems item, bool demonstration)
{
    PelornMain* pelornMain = PelornMain::GetInstance();
    RET_IF(pelornMain == NULL);
    auto viewManagerPtr = pelornMain->GetViewManager();
    RET_IF(!viewManagerPtr);
    auto controller = ViewControllerFactory(5);
    controller->Prepare();
    viewManagerPtr->PushView(controller, 5, false, false);
    auto viewDataPtr = std::dynamic_pointer_cast<MobileLocationViewData>(controller->GetViewData());
    RETM_IF(!viewDataPtr, "!viewDataPtr");
    viewDataPtr->SetMoreOptionItem((int)item);
    auto viewPtr = std::dynamic_pointer_cast<MobileLocationView>(controller->GetView());
    RET_IF(!viewPtr);
    if (demonstration)
        viewPtr->ShowLDUMobileLocation();
    else if (!PelornMain::CheckConnectionAvailable())
        viewPtr->ShowUnreachable();
    else
        viewPtr->ShowCurrentMobileLocation();
}

int PelornViewController::OnDovConnectionPopupRequested(int requestId)
{
    RETV_IF(!mAppLauncherPtr, -1);
    return mAppLauncherPtr->RequestDovConnectionPopup(requestId);
}

void PelornViewController::OnDovConnectionPopupOutdated()
{
    if (mAppLauncherPtr)
        mAppLauncherPtr->WithdrawDovConnectionPopup();
}

int PelornViewController::OnBTConnectionUserDefinedPopupRequested(const std::string& title, const std::string& body,
                                                                   int requestId)
{
    RETV_IF(!mAppLauncherPtr, -1);
    return mAppLauncherPtr->RequestBTConnectionUserDefinedPopup(requestId, title, body);
}

void PelornViewController::OnReplieded(app_control_h request, app_control_h reply, app_control_result_e result,
                                       int requestId)
{
    LOGE("OnReplieded");
    if (requestId == 0)
    {
        char* popupResult = NULL;
        bool closeAll = false;
        if (app_control_get_extra_data(reply, "_WCPOPUP_RESP_", &popupResult) != APP_CONTROL_ERROR_NONE)
        {
            LOGE("app_control_get_extra_data (reply, \"_WCPOPUP_RESP_\", &popupResult) != APP_CONTROL_ERROR_NONE");
            closeAll = true;
        }
        else if (popupResult == NULL)
        {
            LOGE("popupResult == NULL");
            closeAll = true;
        }
        else if (strncmp(popupResult, "CANCEL", 6) == 0)
        {
            LOGE("strncmp(popupResult, \"CANCEL\", 6) == 0");
            closeAll = true;
        }
        else if (strncmp(popupResult, "BACK", 4) == 0)
        {
            LOGE("strncmp(popupResult, \"BACK\", 4) == 0");
            closeAll = true;
        }
        else if (strncmp(popupResult, "CLEAN", 5) == 0)
        {
            LOGE("strncmp(popupResult, \"CLEAN\", 5) == 0");
            closeAll = true;
        }
        free(popupResult);
        if (closeAll)
        {
            LOGE("PopView");
            auto popupManager = mPelornViewPtr ? mPelornViewPtr->GetPopupManager() : nullptr;
            RET_IF(popupManager == NULL);
            popupManager->RemoveAllPopup();
        }
        return;
    }
    if (requestId == 5)
    {
        RET_IF(!mPelornViewPtr);
        auto popupManager = mPelornViewPtr->GetPopupManager();
        if (popupManager)
            popupManager->RemoveAllPopupsExceptPopupWithId(10, 4);
    }
}
} // namespace NSPelorn

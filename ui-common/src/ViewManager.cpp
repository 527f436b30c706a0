#include "ViewManager.h"

#include "OrzLog.h"
#include "ViewBasicElements.h"

#include <efl_extension.h>
#include <string.h>

namespace NSORZUiCommon
{
std::list<std::shared_ptr<ViewController>> ViewManager::mViewList;
bool ViewManager::mIsTransiting = false;
Ecore_Animator* ViewManager::mAnimator = nullptr;
int ViewManager::mAnimatorWaitCount = 0;

/* Inside an animator the precondition log ends in "[break]". */
#define ANIMATOR_LOG(name, cond) LOGE("[%s(): %d] (%s) [break]", name, __LINE__, cond)

namespace
{
const int TITLE_BUFFER_SIZE = 128;
} // namespace

ViewManager::ViewManager() : mNaviframe(nullptr) {}

ViewManager::~ViewManager() {}

namespace
{
// Set while the view stack pops a page itself.
bool gOwnPop = false;

/* The naviframe's own key bindings (Escape) would pop pages behind the view
 * stack's back, the last one included; only the stack's own pops go through. */
Eina_Bool OnlyOwnPopsCb(void* data, Elm_Object_Item* item)
{
    return gOwnPop ? EINA_TRUE : EINA_FALSE;
}

void PopOwn(Evas_Object* naviframe)
{
    gOwnPop = true;
    elm_naviframe_item_pop(naviframe);
    gOwnPop = false;
}

void PopOwnTo(Elm_Object_Item* item)
{
    gOwnPop = true;
    elm_naviframe_item_pop_to(item);
    gOwnPop = false;
}
} // namespace

void ViewManager::ViewPopCb(void* data, Evas_Object* obj, void* eventInfo)
{
    ViewManager* pThis = static_cast<ViewManager*>(data);
    RET_IF(pThis == NULL);
    RET_IF(pThis->mViewList.size() < 1);
    std::shared_ptr<ViewController> viewControllerPtr = pThis->mViewList.back();
    RET_IF(!viewControllerPtr);
    RET_IF(pThis->ViewManager::mIsTransiting == true);

    LOGE("ViewPopCb, Back called");
    if (pThis->mViewList.size() > 1)
    {
        if (viewControllerPtr->Pop())
        {
            PopOwn(obj);
            pThis->mViewList.pop_back();
            pThis->UpdatedViewByPop();
        }
    }
    else if (viewControllerPtr->Pop())
    {
        LOGE("elm_win_lower");
        elm_win_lower(ViewBasicElements::GetWindow());
        pThis->PauseView();
    }
    mIsTransiting = false;
}

void ViewManager::ViewMoreCb(void* data, Evas_Object* obj, void* eventInfo)
{
    Elm_Object_Item* item = elm_naviframe_top_item_get(obj);
    if (!item)
        return;
    Evas_Object* moreButton = elm_object_item_part_content_get(item, "toolbar_more_btn");
    if (moreButton)
        evas_object_smart_callback_call(moreButton, "clicked", NULL);
}

void ViewManager::TransitionFinishedCb(void* data, Evas_Object* obj, void* eventInfo)
{
    ViewManager* pThis = static_cast<ViewManager*>(data);
    RET_IF(pThis == NULL);
    LOGE("TransitionFinishedCb");
    mIsTransiting = false;
    RET_IF(pThis->mViewList.size() < 1);
    std::shared_ptr<ViewController> top = pThis->mViewList.back();
    if (top)
        top->TransitionFinished();
}

void ViewManager::WindowVIEffectDoneCb(void* data, Evas_Object* obj, void* eventInfo)
{
    ViewManager* pThis = static_cast<ViewManager*>(data);
    RET_IF(pThis == NULL);
    int type = (int)(intptr_t)eventInfo;
    LOGE("WindowVIEffectDoneCb type:%d", type);
    if (type != 1)
        return;
    RET_IF(pThis->mViewList.size() < 1);
    LOGE("WindowVIEffectDoneCb");
    std::shared_ptr<ViewController> top = pThis->mViewList.back();
    if (top)
        top->TransitionFinished();
}

/* The screens' widgets go with the naviframe (at the latest when the toolkit
 * shuts down); their controllers must go then too, while the toolkit can
 * still release what they hold, not at process exit. */
void ViewManager::NaviframeDelCb(void* data, Evas* e, Evas_Object* obj, void* eventInfo)
{
    std::list<std::shared_ptr<ViewController>> screens;
    screens.swap(mViewList);
    if (mAnimator)
    {
        ecore_animator_del(mAnimator);
        mAnimator = nullptr;
    }
    mIsTransiting = false;
    screens.clear();
}

void ViewManager::Initialize()
{
    mNaviframe = ViewBasicElements::GetNaviframe();
    RET_IF(mNaviframe == NULL);

    eext_object_event_callback_add(mNaviframe, EEXT_CALLBACK_BACK, ViewPopCb, this);
    eext_object_event_callback_add(mNaviframe, EEXT_CALLBACK_MORE, ViewMoreCb, this);
    evas_object_smart_callback_add(mNaviframe, "transition,finished", TransitionFinishedCb, this);
    evas_object_event_callback_add(mNaviframe, EVAS_CALLBACK_DEL, NaviframeDelCb, this);

    Evas_Object* win = ViewBasicElements::GetWindow();
    RET_IF(win == NULL);
    evas_object_smart_callback_add(win, "effect,done", WindowVIEffectDoneCb, this);
}

std::shared_ptr<ViewController> ViewManager::Top()
{
    if (mViewList.empty())
        return nullptr;
    return mViewList.back();
}

void ViewManager::RunOrDefer(void (ViewManager::*impl)(ViewManagerAnimatorData&), Ecore_Task_Cb animatorCb,
                             ViewManagerAnimatorData request)
{
    if (!mIsTransiting)
    {
        (this->*impl)(request);
        return;
    }
    ViewManagerAnimatorData* pending = new ViewManagerAnimatorData(std::move(request));
    pending->viewManager = this;
    if (mAnimator)
    {
        // The request the old animator carried is dropped: only the newest runs.
        ViewManagerAnimatorData* dropped = static_cast<ViewManagerAnimatorData*>(ecore_animator_del(mAnimator));
        delete dropped;
        mAnimator = nullptr;
    }
    mAnimator = ecore_animator_add(animatorCb, pending);
}

Eina_Bool ViewManager::RunDeferred(void* data, const char* animatorName,
                                   void (ViewManager::*impl)(ViewManagerAnimatorData&))
{
    if (mIsTransiting)
    {
        ANIMATOR_LOG(animatorName, "ViewManager::mIsTransiting == true");
        return ECORE_CALLBACK_RENEW;
    }
    LOGE("%s", animatorName);
    if (mAnimatorWaitCount <= 0)
    {
        ++mAnimatorWaitCount;
        return ECORE_CALLBACK_RENEW;
    }
    ViewManagerAnimatorData* viewManagerAnimatorData = static_cast<ViewManagerAnimatorData*>(data);
    if (viewManagerAnimatorData == NULL)
        ANIMATOR_LOG(animatorName, "viewManagerAnimatorData == NULL");
    else if (viewManagerAnimatorData->viewManager == NULL)
        ANIMATOR_LOG(animatorName, "viewManager == NULL");
    else
    {
        // Cleared before the request runs, so that a request it makes itself
        // gets an animator of its own.
        mAnimator = nullptr;
        mAnimatorWaitCount = 0;
        ViewManager* viewManager = viewManagerAnimatorData->viewManager;
        (viewManager->*impl)(*viewManagerAnimatorData);
        delete viewManagerAnimatorData;
        return ECORE_CALLBACK_CANCEL;
    }
    mAnimator = nullptr;
    mAnimatorWaitCount = 0;
    return ECORE_CALLBACK_CANCEL;
}

// ---- push ----

void ViewManager::PushView(std::shared_ptr<ViewController> viewControllerPtr, int viewType, bool titleEnabled,
                           bool transition)
{
    RET_IF(mNaviframe == NULL);
    RET_IF(!viewControllerPtr);
    ViewManagerAnimatorData request;
    request.viewControllerPtr = viewControllerPtr;
    request.viewType = viewType;
    request.titleEnabled = titleEnabled;
    request.transition = transition;
    RunOrDefer(&ViewManager::RunPush, PushViewAnimator, std::move(request));
}

Eina_Bool ViewManager::PushViewAnimator(void* data)
{
    return RunDeferred(data, "PushViewAnimator", &ViewManager::RunPush);
}

void ViewManager::RunPush(ViewManagerAnimatorData& request)
{
    PushViewImpl(request.viewControllerPtr, request.viewType, request.titleEnabled, request.transition);
}

void ViewManager::PushViewImpl(std::shared_ptr<ViewController> viewControllerPtr, int viewType, bool titleEnabled,
                               bool transition)
{
    RET_IF(mNaviframe == NULL);
    RET_IF(!viewControllerPtr);

    viewControllerPtr->Prepare();
    Evas_Object* baseLayout = viewControllerPtr->Create(mNaviframe);
    RET_IF(baseLayout == NULL);
    std::shared_ptr<ViewData> viewDataPtr = viewControllerPtr->GetViewData();
    RET_IF(!viewDataPtr);

    char label[TITLE_BUFFER_SIZE];
    memset(label, 0, sizeof(label));
    std::string title = viewDataPtr->GetTitle();
    if (!title.empty())
    {
        strncpy(label, title.c_str(), sizeof(label) - 1);
        LOGE("title:%s", label);
    }

    if (!mViewList.empty())
        mIsTransiting = true;

    Elm_Object_Item* item = elm_naviframe_item_push(mNaviframe, label, NULL, NULL, baseLayout, NULL);
    elm_naviframe_item_pop_cb_set(item, OnlyOwnPopsCb, nullptr);
    viewDataPtr->SetNaviframeItem(item);
    viewDataPtr->mViewType = viewType;
    elm_naviframe_item_title_enabled_set(item, titleEnabled, transition);

    PauseView();
    mViewList.push_back(viewControllerPtr);
}

// ---- insert ----

void ViewManager::InsertView(std::shared_ptr<ViewController> viewControllerPtr, int viewType, int beforeViewType,
                             bool titleEnabled, bool transition)
{
    RET_IF(mNaviframe == NULL);
    RET_IF(!viewControllerPtr);
    ViewManagerAnimatorData request;
    request.viewControllerPtr = viewControllerPtr;
    request.viewType = viewType;
    request.beforeViewType = beforeViewType;
    request.titleEnabled = titleEnabled;
    request.transition = transition;
    RunOrDefer(&ViewManager::RunInsert, InsertViewAnimator, std::move(request));
}

Eina_Bool ViewManager::InsertViewAnimator(void* data)
{
    return RunDeferred(data, "InsertViewAnimator", &ViewManager::RunInsert);
}

void ViewManager::RunInsert(ViewManagerAnimatorData& request)
{
    InsertViewImpl(request.viewControllerPtr, request.viewType, request.beforeViewType, request.titleEnabled,
                   request.transition);
}

void ViewManager::InsertViewImpl(std::shared_ptr<ViewController> viewControllerPtr, int viewType,
                                 int beforeViewType, bool titleEnabled, bool transition)
{
    RET_IF(mNaviframe == NULL);
    RET_IF(!viewControllerPtr);

    viewControllerPtr->Prepare();
    Evas_Object* baseLayout = viewControllerPtr->Create(mNaviframe);
    RET_IF(baseLayout == NULL);
    std::shared_ptr<ViewData> viewDataPtr = viewControllerPtr->GetViewData();
    RET_IF(!viewDataPtr);

    char label[TITLE_BUFFER_SIZE];
    memset(label, 0, sizeof(label));
    std::string title = viewDataPtr->GetTitle();
    if (!title.empty())
    {
        strncpy(label, title.c_str(), sizeof(label) - 1);
        LOGE("title:%s", label);
    }

    auto before = mViewList.begin();
    for (; before != mViewList.end(); ++before)
    {
        std::shared_ptr<ViewData> data = *before ? (*before)->GetViewData() : nullptr;
        if (data && data->mViewType == beforeViewType)
            break;
    }

    Elm_Object_Item* item = nullptr;
    if (before != mViewList.end())
    {
        item = elm_naviframe_item_insert_before(mNaviframe, (*before)->GetViewData()->mNaviframeItem, label, NULL,
                                                NULL, baseLayout, NULL);
        mViewList.insert(before, viewControllerPtr);
    }
    else
    {
        item = elm_naviframe_item_push(mNaviframe, label, NULL, NULL, baseLayout, NULL);
        mViewList.push_back(viewControllerPtr);
    }
    elm_naviframe_item_pop_cb_set(item, OnlyOwnPopsCb, nullptr);
    viewDataPtr->SetNaviframeItem(item);
    viewDataPtr->mViewType = viewType;
    elm_naviframe_item_title_enabled_set(item, titleEnabled, transition);
}

// ---- pop ----

void ViewManager::PopView()
{
    RET_IF(mNaviframe == NULL);
    RunOrDefer(&ViewManager::RunPop, PopViewAnimator, ViewManagerAnimatorData());
}

Eina_Bool ViewManager::PopViewAnimator(void* data)
{
    return RunDeferred(data, "PopViewAnimator", &ViewManager::RunPop);
}

void ViewManager::RunPop(ViewManagerAnimatorData&)
{
    PopViewImpl();
}

void ViewManager::PopViewImpl()
{
    RET_IF(mNaviframe == NULL);
    ViewPopCb(this, mNaviframe, NULL);
}

void ViewManager::PopToView(int viewType)
{
    RET_IF(mNaviframe == NULL);
    RET_IF(mViewList.size() < 1);
    ViewManagerAnimatorData request;
    request.viewType = viewType;
    RunOrDefer(&ViewManager::RunPopTo, PopToViewAnimator, std::move(request));
}

Eina_Bool ViewManager::PopToViewAnimator(void* data)
{
    return RunDeferred(data, "PopToViewAnimator", &ViewManager::RunPopTo);
}

void ViewManager::RunPopTo(ViewManagerAnimatorData& request)
{
    PopToViewImpl(request.viewType);
}

void ViewManager::PopToViewImpl(int viewType)
{
    RET_IF(mNaviframe == NULL);
    RET_IF(mViewList.size() < 1);

    Elm_Object_Item* item = nullptr;
    bool found = false;
    for (auto& controller : mViewList)
    {
        std::shared_ptr<ViewData> data = controller ? controller->GetViewData() : nullptr;
        if (data && data->mViewType == viewType)
        {
            item = data->mNaviframeItem;
            found = true;
            break;
        }
    }
    if (!found || item == NULL)
    {
        UpdatedViewByPop();
        return;
    }

    if (mViewList.size() > 1)
        mIsTransiting = true;
    PopOwnTo(item);
    while (!mViewList.empty())
    {
        std::shared_ptr<ViewController> eraseControllerPtr = mViewList.back();
        if (!eraseControllerPtr)
        {
            LOGE("[%s(): %d] (%s) [break]", __func__, __LINE__, "!eraseControllerPtr");
            mViewList.pop_back();
            continue;
        }
        std::shared_ptr<ViewData> data = eraseControllerPtr->GetViewData();
        if (data && data->mViewType == viewType)
            break;
        mViewList.pop_back();
    }
    UpdatedViewByPop();
}

// ---- delete ----

template <typename Pred> void ViewManager::DeleteWhere(Pred remove)
{
    for (auto it = mViewList.begin(); it != mViewList.end();)
    {
        std::shared_ptr<ViewData> data = *it ? (*it)->GetViewData() : nullptr;
        if (data && remove(data->mViewType))
        {
            if (data->mNaviframeItem)
                elm_object_item_del(data->mNaviframeItem);
            it = mViewList.erase(it);
        }
        else
            ++it;
    }
}

void ViewManager::DeleteView(int viewType)
{
    ViewManagerAnimatorData request;
    request.viewType = viewType;
    RunOrDefer(&ViewManager::RunDelete, DeleteViewAnimator, std::move(request));
}

Eina_Bool ViewManager::DeleteViewAnimator(void* data)
{
    return RunDeferred(data, "DeleteViewAnimator", &ViewManager::RunDelete);
}

void ViewManager::RunDelete(ViewManagerAnimatorData& request)
{
    DeleteViewImpl(request.viewType);
}

void ViewManager::DeleteViewImpl(int viewType)
{
    DeleteWhere([viewType](int type) { return type == viewType; });
}

void ViewManager::DeleteAllViewExceptSpecificView(int viewType)
{
    ViewManagerAnimatorData request;
    request.viewType = viewType;
    RunOrDefer(&ViewManager::RunDeleteAllExcept, DeleteAllViewExceptSpecificViewAnimator, std::move(request));
}

Eina_Bool ViewManager::DeleteAllViewExceptSpecificViewAnimator(void* data)
{
    return RunDeferred(data, "DeleteAllViewExceptSpecificViewAnimator", &ViewManager::RunDeleteAllExcept);
}

void ViewManager::RunDeleteAllExcept(ViewManagerAnimatorData& request)
{
    DeleteAllViewExceptSpecificViewImpl(request.viewType);
}

void ViewManager::DeleteAllViewExceptSpecificViewImpl(int viewType)
{
    DeleteWhere([viewType](int type) { return type != viewType; });
}

void ViewManager::DeleteToSpecificView(int viewType)
{
    RETM_IF(CheckExistOrNot(viewType) == false, "CheckExistOrNot(viewType) == false");
    ViewManagerAnimatorData request;
    request.viewType = viewType;
    RunOrDefer(&ViewManager::RunDeleteTo, DeleteToSpecificViewAnimator, std::move(request));
}

Eina_Bool ViewManager::DeleteToSpecificViewAnimator(void* data)
{
    return RunDeferred(data, "DeleteToSpecificViewAnimator", &ViewManager::RunDeleteTo);
}

void ViewManager::RunDeleteTo(ViewManagerAnimatorData& request)
{
    DeleteToSpecificViewImpl(request.viewType);
}

void ViewManager::DeleteToSpecificViewImpl(int viewType)
{
    RETM_IF(CheckExistOrNot(viewType) == false, "CheckExistOrNot(viewType) == false");
    DeleteWhere([viewType](int type) { return type != viewType; });
}

// ---- terminate ----

void ViewManager::TerminateView()
{
    RunOrDefer(&ViewManager::RunTerminate, TerminateViewAnimator, ViewManagerAnimatorData());
}

Eina_Bool ViewManager::TerminateViewAnimator(void* data)
{
    return RunDeferred(data, "TerminateViewAnimator", &ViewManager::RunTerminate);
}

void ViewManager::RunTerminate(ViewManagerAnimatorData&)
{
    TerminateViewImpl();
}

void ViewManager::TerminateViewImpl()
{
    for (auto& controller : mViewList)
        if (controller)
            controller->Destroy();
}

// ---- queries and forwarding ----

bool ViewManager::CheckExistOrNot(int viewType)
{
    for (auto& controller : mViewList)
    {
        std::shared_ptr<ViewData> data = controller ? controller->GetViewData() : nullptr;
        if (data && data->mViewType == viewType)
            return true;
    }
    return false;
}

std::list<std::shared_ptr<ViewController>> ViewManager::GetViewList()
{
    return mViewList;
}

void ViewManager::PauseView()
{
    RET_IF(mViewList.size() < 1);
    if (auto top = Top())
        top->Pause();
}

void ViewManager::ResumeView()
{
    RET_IF(mViewList.size() < 1);
    if (auto top = Top())
        top->Resume();
}

void ViewManager::TimeTicView()
{
    RET_IF(mViewList.size() < 1);
    if (auto top = Top())
        top->TimeTick();
}

void ViewManager::UpdatedViewByPop()
{
    RET_IF(mViewList.size() < 1);
    if (auto top = Top())
        top->UpdatedByPop();
}

void ViewManager::UpdateViewForNetworkState(int state)
{
    RET_IF(mViewList.size() < 1);
    if (auto top = Top())
        top->NetworkStateChanged(state);
}

void ViewManager::UpdateViewForLocationState(int state)
{
    RET_IF(mViewList.size() < 1);
    if (auto top = Top())
        top->LocationStateChanged(state);
}

void ViewManager::UpdateViewForKivState(int state)
{
    RET_IF(mViewList.size() < 1);
    if (auto top = Top())
        top->KivStateChanged(state);
}

void ViewManager::UpdateViewForConsumerMsgReceived(int type, void* data)
{
    RET_IF(mViewList.size() < 1);
    if (auto top = Top())
        top->ConsumerMsgReceived(type, data);
}
} // namespace NSORZUiCommon

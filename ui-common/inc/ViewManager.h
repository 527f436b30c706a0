#ifndef NSORZ_UI_COMMON_VIEW_MANAGER_H
#define NSORZ_UI_COMMON_VIEW_MANAGER_H

#include "ViewController.h"

#include <Ecore.h>
#include <Elementary.h>
#include <list>
#include <memory>

namespace NSORZUiCommon
{
class ViewManager;

/* One stack change waiting for the running transition to end. */
struct ViewManagerAnimatorData
{
    std::shared_ptr<ViewController> viewControllerPtr;
    int viewType = 0;
    int beforeViewType = 0;
    unsigned char titleEnabled = 0;
    unsigned char transition = 0;
    ViewManager* viewManager = nullptr;
};

/* The stack of screens over the window's naviframe. Only the top screen
 * receives lifecycle calls and events. Stack changes asked for while the
 * naviframe animates are deferred to an animator and run on its second tick
 * after the animation ended; a newer request replaces a waiting one. */
class ViewManager
{
public:
    ViewManager();
    virtual ~ViewManager();

    void Initialize();

    void PushView(std::shared_ptr<ViewController> viewControllerPtr, int viewType, bool titleEnabled,
                  bool transition);
    void InsertView(std::shared_ptr<ViewController> viewControllerPtr, int viewType, int beforeViewType,
                    bool titleEnabled, bool transition);
    void PopView();
    void PopToView(int viewType);
    void DeleteView(int viewType);
    void DeleteAllViewExceptSpecificView(int viewType);
    void DeleteToSpecificView(int viewType);
    void TerminateView();

    bool CheckExistOrNot(int viewType);
    std::list<std::shared_ptr<ViewController>> GetViewList();
    /* The screen on show, null when there is none. */
    std::shared_ptr<ViewController> Top();

    void PauseView();
    void ResumeView();
    void TimeTicView();
    void UpdatedViewByPop();
    void UpdateViewForNetworkState(int state);
    void UpdateViewForLocationState(int state);
    void UpdateViewForKivState(int state);
    void UpdateViewForConsumerMsgReceived(int type, void* data);

private:
    void PushViewImpl(std::shared_ptr<ViewController> viewControllerPtr, int viewType, bool titleEnabled,
                      bool transition);
    static Eina_Bool PushViewAnimator(void* data);
    void InsertViewImpl(std::shared_ptr<ViewController> viewControllerPtr, int viewType, int beforeViewType,
                        bool titleEnabled, bool transition);
    static Eina_Bool InsertViewAnimator(void* data);
    void PopViewImpl();
    static Eina_Bool PopViewAnimator(void* data);
    void PopToViewImpl(int viewType);
    static Eina_Bool PopToViewAnimator(void* data);
    void DeleteViewImpl(int viewType);
    static Eina_Bool DeleteViewAnimator(void* data);
    void DeleteAllViewExceptSpecificViewImpl(int viewType);
    static Eina_Bool DeleteAllViewExceptSpecificViewAnimator(void* data);
    void DeleteToSpecificViewImpl(int viewType);
    static Eina_Bool DeleteToSpecificViewAnimator(void* data);
    void TerminateViewImpl();
    static Eina_Bool TerminateViewAnimator(void* data);

    static void NaviframeDelCb(void* data, Evas* e, Evas_Object* obj, void* eventInfo);
    static void ViewPopCb(void* data, Evas_Object* obj, void* eventInfo);
    static void ViewMoreCb(void* data, Evas_Object* obj, void* eventInfo);
    static void TransitionFinishedCb(void* data, Evas_Object* obj, void* eventInfo);
    static void WindowVIEffectDoneCb(void* data, Evas_Object* obj, void* eventInfo);

    /* Runs now, or parks the request in the one deferral animator. */
    void RunOrDefer(void (ViewManager::*impl)(ViewManagerAnimatorData&), Ecore_Task_Cb animatorCb,
                    ViewManagerAnimatorData request);
    /* The common body of every ...Animator: answers ECORE_CALLBACK_RENEW
     * while waiting, otherwise runs the request and ends the deferral. */
    static Eina_Bool RunDeferred(void* data, const char* animatorName,
                                 void (ViewManager::*impl)(ViewManagerAnimatorData&));
    void RunPush(ViewManagerAnimatorData& request);
    void RunInsert(ViewManagerAnimatorData& request);
    void RunPop(ViewManagerAnimatorData& request);
    void RunPopTo(ViewManagerAnimatorData& request);
    void RunDelete(ViewManagerAnimatorData& request);
    void RunDeleteAllExcept(ViewManagerAnimatorData& request);
    void RunDeleteTo(ViewManagerAnimatorData& request);
    void RunTerminate(ViewManagerAnimatorData& request);
    /* Removes every screen with view data for which remove(type) holds. */
    template <typename Pred> void DeleteWhere(Pred remove);

    Evas_Object* mNaviframe;

    static std::list<std::shared_ptr<ViewController>> mViewList;
    static bool mIsTransiting;
    static Ecore_Animator* mAnimator;
    static int mAnimatorWaitCount;
};
} // namespace NSORZUiCommon

#endif

#ifndef NSORZ_UI_COMMON_BASIC_POPUP_H
#define NSORZ_UI_COMMON_BASIC_POPUP_H

#include "BasicPopupCloseEventListener.h"

#include <Elementary.h>
#include <string>

namespace NSORZUiCommon
{
/* A round-screen dialog with buttons. Each closing action dismisses the
 * popup and reports (popup type, reason) to the close listener; the widget
 * is deleted when its dismissal has finished. */
class BasicPopup
{
public:
    enum CloseReason
    {
        CLOSE_REASON_BACK = 0,
        CLOSE_REASON_BUTTON1 = 1,
        CLOSE_REASON_BUTTON2 = 2,
        CLOSE_REASON_BLOCK = 4,
        CLOSE_REASON_TIMEOUT = 6,
    };

    BasicPopup(int popupType, Evas_Object* parent);
    virtual ~BasicPopup();

    virtual void SetCloseEventListener(BasicPopupCloseEventListener* listener);
    virtual void RefreshText();
    virtual void Show() = 0;

    void SetTitleStringID(const std::string& text) { mTitleStringID = text; }
    const std::string& GetTitleStringID() const { return mTitleStringID; }
    void SetContentStringID(const std::string& text) { mContentStringID = text; }
    const std::string& GetContentStringID() const { return mContentStringID; }
    void SetButton1StringID(const std::string& text) { mButton1StringID = text; }
    const std::string& GetButton1StringID() const { return mButton1StringID; }
    void SetButton2StringID(const std::string& text) { mButton2StringID = text; }
    const std::string& GetButton2StringID() const { return mButton2StringID; }
    void SetButton1IconPath(const std::string& text) { mButton1IconPath = text; }
    const std::string& GetButton1IconPath() const { return mButton1IconPath; }
    void SetButton2IconPath(const std::string& text) { mButton2IconPath = text; }
    const std::string& GetButton2IconPath() const { return mButton2IconPath; }
    /* Free text for the caller's own use; the popup never shows it. */
    void SetExtraString(const std::string& text) { mExtraString = text; }
    const std::string& GetExtraString() const { return mExtraString; }
    void SetTimeout(double seconds) { mTimeout = seconds; }
    double GetTimeout() const { return mTimeout; }
    int GetPopupType() const { return mPopupType; }
    Evas_Object* GetPopup() const { return mPopup; }

    void Dismiss();
    void SetTranslatedContentText(Evas_Object* obj);
    /* Deletes the widget without a report and forgets the showing's state. */
    void Clear();

protected:
    /* Popup widget common to every style: circle style, expanding, closing
     * handlers for back, outside taps and dismissal. NULL on failure. */
    Evas_Object* CreatePopupWidget();
    /* Connects the closing handlers (back, "dismissed", "block,clicked", and
     * "timeout" when a time-out is set) to mPopup. */
    void ConnectCloseHandlers(bool withTimeout);
    /* A button of the style in part "button1"/"button2" of mPopup; with an
     * icon group the icon comes from the application's resource file. */
    Evas_Object* AddButton(const char* style, const char* part, const std::string& iconGroup,
                           const std::string& text, Evas_Smart_Cb clickedCb);
    void Close(int reason);
    static std::string ResourceFilePath();

    static void Button1ClickedCb(void* data, Evas_Object* obj, void* eventInfo);
    static void Button2ClickedCb(void* data, Evas_Object* obj, void* eventInfo);
    static void BackCb(void* data, Evas_Object* obj, void* eventInfo);
    static void BlockClickedCb(void* data, Evas_Object* obj, void* eventInfo);
    static void TimeoutCb(void* data, Evas_Object* obj, void* eventInfo);
    static void DismissedCb(void* data, Evas_Object* obj, void* eventInfo);

    int mPopupType;
    Evas_Object* mPopup;
    Evas_Object* mParent;
    std::string mTitleStringID;
    std::string mContentStringID;
    std::string mButton1StringID;
    std::string mButton2StringID;
    std::string mButton1IconPath;
    std::string mButton2IconPath;
    std::string mExtraString;
    double mTimeout;
    BasicPopupCloseEventListener* mCloseEventListener;
};
} // namespace NSORZUiCommon

#endif

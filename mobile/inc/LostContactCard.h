#ifndef PELORN_LOST_CONTACT_CARD_H
#define PELORN_LOST_CONTACT_CARD_H

#include "LostContactGuide.h"
#include "LostContactStore.h"

#include <Elementary.h>
#include <pelorn_compass.h>
#include <pelorn_location.h>

#include <memory>
#include <string>

namespace NSPelorn
{
/* The card on the last-seen screen that says when contact with the phone
 * was lost and which way to walk to the spot: "Lost contact 14:32", the
 * distance and compass word from the watch's own fix, and an arrow turned by
 * the compass. The watch's location and compass run only while the card is
 * shown and the screen is not paused. A tap switches between the spot where
 * contact was lost and where the phone last reported. */
class LostContactCard
{
public:
    LostContactCard();
    ~LostContactCard();
    LostContactCard(const LostContactCard&) = delete;
    LostContactCard& operator=(const LostContactCard&) = delete;

    /* Shows the stored record over the screen layout; false (nothing shown)
     * when there is none. */
    bool Show(Evas_Object* screenLayout);
    /* The screen paused or resumed: sensors stop and start with it. */
    void Pause();
    void Resume();
    /* The words follow the language and region again. */
    void Refresh();
    /* The phone can be reached again: the card offers to ring it. */
    void SetLinkBack(bool back);

    bool IsShown() const { return mCard != nullptr; }
    Evas_Object* GetObject() const { return mCard; }
    std::string GetTitleText() const { return mTitle; }
    std::string GetWayText() const { return mWay; }
    /* The arrow as drawn, degrees clockwise from the top of the screen. */
    double GetArrowDeg() const { return mArrowDrawn; }
    std::string GetSpokenText() const;
    /* Where the watch's dot sits on the screen, or (-1, -1) when not drawn. */
    void GetWatchDot(int& x, int& y) const;
    /* The map picture shown under the card, to place the watch's dot on. */
    void SetMapPicture(double centreLatitude, double centreLongitude, int zoom, int pictureWidth,
                       int pictureHeight);

private:
    static void FixCb(const pelorn_location_fix_s* fix, void* data);
    static void HeadingCb(double heading, void* data);
    static void ScreenDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo);
    static void ScreenMoveCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo);
    static void CardUpCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo);
    static char* AccessInfoCb(void* data, Evas_Object* obj);

    void Build(Evas_Object* screenLayout);
    void Place();
    void PlaceWayLabel();
    void SetTitleFitting();
    bool IsSentence() const { return mWay.size() > 24; }
    void StartSensors();
    void StopSensors();
    void Draw(bool force);
    void DrawArrow(double deg);
    void PlaceDot();
    std::string TimeText() const;

    NSORZCommon::LostContactRecord mRecord;
    std::unique_ptr<NSORZCommon::LostContactGuide> mGuide;
    std::string mLanguage;
    pelorn_location_h mLocation;
    pelorn_compass_h mCompass;
    bool mPaused;
    bool mLinkBack;
    bool mNoPosition;

    Evas_Object* mScreen;
    Evas_Object* mCard;
    Evas_Object* mArrow;
    Evas_Object* mTitleLabel;
    Evas_Object* mWayLabel;
    Evas_Object* mDot;
    Evas_Object* mRimArrow;
    std::string mTitle;
    std::string mWay;
    double mArrowDrawn;

    bool mHasPicture;
    double mPictureLatitude;
    double mPictureLongitude;
    int mPictureZoom;
    int mPictureWidth;
    int mPictureHeight;
};
} // namespace NSPelorn

#endif

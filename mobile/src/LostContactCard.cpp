#include "LostContactCard.h"
#include "TextDomain.h"

#include "GeoMath.h"
#include "ICUUtil.h"
#include "LastSeenAgeFormatter.h"
#include "OrzLog.h"
#include "PelornMain.h"
#include "VconfUtil.h"
#include "ViewManager.h"

#include <libintl.h>
#include <vconf.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace NSPelorn
{
namespace
{
const char kLinkKey[] = "memory/brig/brig_connected";
const char kDesktopId[] = "com.quenlor.pelorn";
const int kRegionFormat12Hour = 1;
const int kHourMinute24 = 9;  // ICUUtil's "HHmm"
const int kHourMinute12 = 10; // "hhmm"
constexpr double kPi = 3.14159265358979323846;

// Between the last-seen band (down to y 119) and the address band (from
// y 212): wide enough for "Lost contact 14:32" in Korean, inside the disc.
const int kCardX = 50, kCardY = 126, kCardW = 260, kCardH = 82;
const int kArrowCx = 80, kArrowCy = 167;
const int kTextX = 108, kTextW = 196;
const int kScreenCentre = 180, kRimRadius = 160, kDotInsideRadius = 168;

std::string Replace(std::string text, const char* placeholder, const std::string& value)
{
    const std::string::size_type at = text.find(placeholder);
    if (at != std::string::npos)
        text.replace(at, strlen(placeholder), value);
    return text;
}

std::string Markup(const std::string& text, int size, const char* colour)
{
    char* escaped = elm_entry_utf8_to_markup(text.c_str());
    // The regular face: the watch's labels are bold unless told.
    std::string markup = "<font=Sans:style=Regular><font_size=" + std::to_string(size) + "><color=" + colour +
                         ">" + (escaped ? escaped : "") + "</color></font_size></font>";
    free(escaped);
    return markup;
}

/* points: (x, y) pairs around the origin, turned clockwise by deg and moved to (cx, cy). */
void SetPolygon(Evas_Object* polygon, const double* points, int count, double deg, double cx, double cy)
{
    const double a = deg * kPi / 180.0;
    evas_object_polygon_points_clear(polygon);
    for (int i = 0; i < count; i++)
    {
        const double x = points[2 * i], y = points[2 * i + 1];
        evas_object_polygon_point_add(polygon,
                                      (Evas_Coord)std::lround(cx + x * std::cos(a) - y * std::sin(a)),
                                      (Evas_Coord)std::lround(cy + x * std::sin(a) + y * std::cos(a)));
    }
}

void LinkChangedCb(keynode_t* node, void* data)
{
    LostContactCard* card = static_cast<LostContactCard*>(data);
    RET_IF(card == NULL || node == NULL);
    card->SetLinkBack(vconf_keynode_get_bool(node) != 0);
}
} // namespace

LostContactCard::LostContactCard()
    : mLocation(nullptr), mCompass(nullptr), mPaused(false), mLinkBack(false), mNoPosition(false),
      mScreen(nullptr), mCard(nullptr), mArrow(nullptr), mTitleLabel(nullptr), mWayLabel(nullptr), mDot(nullptr),
      mRimArrow(nullptr), mArrowDrawn(0), mHasPicture(false), mPictureLatitude(0),
      mPictureLongitude(0), mPictureZoom(0), mPictureWidth(0), mPictureHeight(0)
{
}

LostContactCard::~LostContactCard()
{
    StopSensors();
    if (mLocation)
        pelorn_location_destroy(mLocation);
    if (mCompass)
        pelorn_compass_destroy(mCompass);
    if (mScreen)
    {
        vconf_ignore_key_changed(kLinkKey, LinkChangedCb);
        evas_object_event_callback_del_full(mScreen, EVAS_CALLBACK_DEL, ScreenDelCb, this);
        evas_object_event_callback_del_full(mScreen, EVAS_CALLBACK_MOVE, ScreenMoveCb, this);
        for (Evas_Object* part : {mArrow, mTitleLabel, mWayLabel, mDot, mRimArrow, mCard})
            evas_object_del(part);
    }
}

bool LostContactCard::Show(Evas_Object* screenLayout)
{
    RETV_IF(screenLayout == NULL, false);
    NSORZCommon::LostContactRecord record;
    if (!NSORZCommon::LostContactStore().Load(record))
        return false;
    mRecord = record;
    const std::string locale = NSORZCommon::LastSeenAgeFormatter::CurrentLocale();
    mLanguage = locale.substr(0, 2);
    mGuide.reset(new NSORZCommon::LostContactGuide(mRecord, mLanguage,
                                                   NSORZCommon::ICUUtil::UsesImperialDistances(locale)));
    if (!mScreen)
        Build(screenLayout);
    int connected = 0;
    mLinkBack = vconf_get_bool(kLinkKey, &connected) == VCONF_OK && connected;
    LOGE("lost contact card for record #%lld", (long long)mRecord.sequence);
    Draw(true);
    if (!mPaused)
        StartSensors();
    return true;
}

void LostContactCard::Build(Evas_Object* screenLayout)
{
    mScreen = screenLayout;
    Evas* evas = evas_object_evas_get(screenLayout);
    // The watch's own dot on the map, or an arrow on the rim toward it.
    mDot = evas_object_polygon_add(evas);
    mRimArrow = evas_object_polygon_add(evas);
    mCard = evas_object_rectangle_add(evas);
    evas_object_resize(mCard, kCardW, kCardH);
    evas_object_event_callback_add(mCard, EVAS_CALLBACK_MOUSE_UP, CardUpCb, this);
    mArrow = evas_object_polygon_add(evas);

    mTitleLabel = elm_label_add(screenLayout);
    mWayLabel = elm_label_add(screenLayout);
    // The time line is short in every language; only the way may need two lines.
    elm_label_line_wrap_set(mWayLabel, ELM_WRAP_MIXED);
    elm_label_wrap_width_set(mWayLabel, kTextW);
    evas_object_resize(mTitleLabel, kTextW, 30);

    // Members of the screen: clipped, stacked and deleted with it (the page
    // slides in and out with the naviframe), drawn over its parts.
    for (Evas_Object* part : {mDot, mRimArrow, mCard, mArrow, mTitleLabel, mWayLabel})
    {
        evas_object_smart_member_add(part, screenLayout);
        evas_object_raise(part);
        if (part != mCard)
            evas_object_pass_events_set(part, EINA_TRUE);
    }
    // A widget hands its own colour to a new member: ours are set after.
    evas_object_color_set(mCard, 0, 0, 0, 200);
    evas_object_color_set(mArrow, 255, 160, 40, 255);
    evas_object_color_set(mDot, 40, 120, 255, 255);
    evas_object_color_set(mRimArrow, 40, 120, 255, 255);
    for (Evas_Object* part : {mCard, mArrow, mTitleLabel, mWayLabel})
        evas_object_show(part);
    evas_object_event_callback_add(screenLayout, EVAS_CALLBACK_DEL, ScreenDelCb, this);
    evas_object_event_callback_add(screenLayout, EVAS_CALLBACK_MOVE, ScreenMoveCb, this);
    vconf_notify_key_changed(kLinkKey, LinkChangedCb, this);
    Place();

    Evas_Object* access = elm_access_object_register(mCard, screenLayout);
    if (access)
        elm_access_info_cb_set(access, ELM_ACCESS_INFO, AccessInfoCb, this);
}

/* Puts everything where it belongs on the screen as it stands now. */
void LostContactCard::Place()
{
    RET_IF(mScreen == NULL);
    Evas_Coord lx = 0, ly = 0;
    evas_object_geometry_get(mScreen, &lx, &ly, NULL, NULL);
    evas_object_move(mCard, lx + kCardX, ly + kCardY);
    PlaceWayLabel();
    DrawArrow(mArrowDrawn);
    PlaceDot();
}

/* A sentence (no arrow then) takes two small lines across the card under
 * the time, and the time the card's width; a distance one big line beside
 * the arrow, and the time the same width above it. */
void LostContactCard::PlaceWayLabel()
{
    const bool sentence = IsSentence();
    const int wayX = sentence ? 12 : kTextX - kCardX, wayW = sentence ? kCardW - 24 : kTextW;
    Evas_Coord cx = 0, cy = 0;
    evas_object_geometry_get(mCard, &cx, &cy, NULL, NULL);
    evas_object_move(mTitleLabel, cx + wayX, cy + 6);
    evas_object_resize(mTitleLabel, wayW, 30);
    elm_label_wrap_width_set(mWayLabel, wayW);
    evas_object_move(mWayLabel, cx + wayX, cy + 36);
    evas_object_resize(mWayLabel, wayW, 42);
}

/* In the largest size that fits: a twelve-hour time ("Lost contact
 * 12:47 PM") is wider than the card's text column at the usual size. */
void LostContactCard::SetTitleFitting()
{
    Evas_Coord width = 0;
    evas_object_geometry_get(mTitleLabel, NULL, NULL, &width, NULL);
    for (int size : {20, 18, 16, 14})
    {
        elm_object_text_set(mTitleLabel, Markup(mTitle, size, "#DDDDDD").c_str());
        evas_object_smart_calculate(mTitleLabel);
        Evas_Coord natural = 0;
        evas_object_size_hint_min_get(mTitleLabel, &natural, NULL);
        if (natural <= width)
            break;
    }
}

void LostContactCard::ScreenMoveCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    LostContactCard* self = static_cast<LostContactCard*>(data);
    RET_IF(self == NULL);
    self->Place();
}

/* The screen takes its members down with it; nothing may reach them afterwards. */
void LostContactCard::ScreenDelCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    LostContactCard* self = static_cast<LostContactCard*>(data);
    RET_IF(self == NULL);
    vconf_ignore_key_changed(kLinkKey, LinkChangedCb);
    self->StopSensors();
    self->mScreen = self->mCard = self->mArrow = self->mTitleLabel = self->mWayLabel = self->mDot =
        self->mRimArrow = nullptr;
}

void LostContactCard::CardUpCb(void* data, Evas* evas, Evas_Object* obj, void* eventInfo)
{
    LostContactCard* self = static_cast<LostContactCard*>(data);
    RET_IF(self == NULL || !self->mGuide);
    if (self->mLinkBack)
    {
        // "Tap to ring": back on the finding screen, which rings as a launch
        // request to ring does, once it is in place.
        PelornMain* main = PelornMain::GetInstance();
        std::shared_ptr<NSORZUiCommon::ViewManager> viewManager = main ? main->GetViewManager() : nullptr;
        if (viewManager)
        {
            main->SetLaunchSearching(true);
            viewManager->PopView();
        }
        return;
    }
    if (self->mGuide->ToggleSpot())
        self->Draw(true);
}

char* LostContactCard::AccessInfoCb(void* data, Evas_Object* obj)
{
    LostContactCard* self = static_cast<LostContactCard*>(data);
    RETV_IF(self == NULL, NULL);
    return strdup(self->GetSpokenText().c_str());
}

void LostContactCard::StartSensors()
{
    if (!mLocation)
        mLocation = pelorn_location_create(kDesktopId, FixCb, this);
    if (!mCompass)
        mCompass = pelorn_compass_create(HeadingCb, this);
    pelorn_location_start(mLocation);
    pelorn_compass_start(mCompass);
}

void LostContactCard::StopSensors()
{
    if (mLocation)
        pelorn_location_stop(mLocation);
    if (mCompass)
        pelorn_compass_stop(mCompass);
}

void LostContactCard::Pause()
{
    mPaused = true;
    StopSensors();
}

void LostContactCard::Resume()
{
    mPaused = false;
    if (mCard)
        StartSensors();
}

void LostContactCard::Refresh()
{
    if (mCard)
        Draw(true);
}

void LostContactCard::SetLinkBack(bool back)
{
    if (back == mLinkBack)
        return;
    mLinkBack = back;
    if (mCard)
        Draw(true);
}

void LostContactCard::FixCb(const pelorn_location_fix_s* fix, void* data)
{
    LostContactCard* self = static_cast<LostContactCard*>(data);
    RET_IF(self == NULL || !self->mGuide);
    if (fix)
    {
        self->mNoPosition = false;
        self->mGuide->SetFix(fix->latitude, fix->longitude);
    }
    else
    {
        self->mNoPosition = true;
        self->mGuide->SetNoPosition();
    }
    self->Draw(false);
}

void LostContactCard::HeadingCb(double heading, void* data)
{
    LostContactCard* self = static_cast<LostContactCard*>(data);
    RET_IF(self == NULL || !self->mGuide);
    self->mGuide->SetHeading(heading);
    self->Draw(false);
}

std::string LostContactCard::TimeText() const
{
    const bool use24Hour = NSORZCommon::VconfUtil::GetRegionFormatTime1224() != kRegionFormat12Hour;
    return NSORZCommon::ICUUtil::GetFormattedDateTime((time_t)(mRecord.timeMs / 1000),
                                                      use24Hour ? kHourMinute24 : kHourMinute12);
}

void LostContactCard::Draw(bool force)
{
    RET_IF(mCard == NULL || !mGuide);
    if (!force && !mGuide->NeedsRedraw())
        return;
    const bool phoneSpot = mGuide->GetSpot() == NSORZCommon::LostContactGuide::Spot::PHONE_REPORTED;
    mTitle = phoneSpot ? Translated("WDS_ORZ_BODY_PHONE_LAST_REPORTED")
                       : Replace(Translated("WDS_ORZ_BODY_LOST_CONTACT_PS"), "%s", TimeText());
    if (mLinkBack)
        mWay = Translated("WDS_ORZ_BODY_PHONE_IS_BACK_TAP_TO_RING");
    else if (!mGuide->PositionKnown() || !mGuide->SpotKnown())
        mWay = Translated("WDS_ORZ_BODY_YOUR_POSITION_IS_NOT_KNOWN");
    else if (mGuide->IsHere())
        mWay = Translated("WDS_ORZ_BODY_YOU_ARE_HERE_RING_WHEN_BACK");
    else
        mWay = mGuide->DistanceText() + " " + mGuide->CompassWord();
    const bool longWay = IsSentence();
    PlaceWayLabel();
    SetTitleFitting();
    elm_object_text_set(mWayLabel, Markup(mWay, longWay ? 15 : 28, "#FFFFFF").c_str());

    const bool pointing = mGuide->PositionKnown() && mGuide->SpotKnown() && !mGuide->IsHere() && !mLinkBack;
    DrawArrow(mGuide->ArrowDeg());
    if (pointing)
        evas_object_show(mArrow);
    else
        evas_object_hide(mArrow);
    mGuide->MarkDrawn();
    PlaceDot();
}

void LostContactCard::DrawArrow(double deg)
{
    static const double kArrowShape[] = {0, -22, 15, 18, 0, 9, -15, 18};
    Evas_Coord lx = 0, ly = 0;
    evas_object_geometry_get(mCard, &lx, &ly, NULL, NULL);
    SetPolygon(mArrow, kArrowShape, 4, deg, lx - kCardX + kArrowCx, ly - kCardY + kArrowCy);
    mArrowDrawn = deg;
}

void LostContactCard::SetMapPicture(double centreLatitude, double centreLongitude, int zoom, int pictureWidth,
                                    int pictureHeight)
{
    mHasPicture = pictureWidth > 0 && pictureHeight > 0;
    mPictureLatitude = centreLatitude;
    mPictureLongitude = centreLongitude;
    mPictureZoom = zoom;
    mPictureWidth = pictureWidth;
    mPictureHeight = pictureHeight;
    PlaceDot();
}

void LostContactCard::PlaceDot()
{
    RET_IF(mDot == NULL);
    pelorn_location_fix_s fix;
    if (!mHasPicture || !mLocation || pelorn_location_get_last_fix(mLocation, &fix) != 0 || mNoPosition)
    {
        evas_object_hide(mDot);
        evas_object_hide(mRimArrow);
        return;
    }
    // The picture fills the screen; its pixels are the screen's.
    const NSORZCommon::GeoMath::Pixel p =
        NSORZCommon::GeoMath::MercatorPixel(mPictureLatitude, mPictureLongitude, mPictureZoom, mPictureWidth,
                                            mPictureHeight, fix.latitude, fix.longitude);
    Evas_Coord lx = 0, ly = 0;
    evas_object_geometry_get(mCard, &lx, &ly, NULL, NULL);
    lx -= kCardX;
    ly -= kCardY;
    const double sx = p.x * 360.0 / mPictureWidth, sy = p.y * 360.0 / mPictureHeight;
    const double dx = sx - kScreenCentre, dy = sy - kScreenCentre;
    if (std::hypot(dx, dy) <= kDotInsideRadius)
    {
        static const double kDisc[] = {0, -7, 5, -5, 7, 0, 5, 5, 0, 7, -5, 5, -7, 0, -5, -5};
        SetPolygon(mDot, kDisc, 8, 0, lx + sx, ly + sy);
        evas_object_show(mDot);
        evas_object_hide(mRimArrow);
        return;
    }
    // Off the picture: a small arrow on the rim points the way to it.
    static const double kRimShape[] = {0, -10, 8, 6, -8, 6};
    const double deg = std::atan2(dx, -dy) * 180.0 / kPi;
    const double rx = kScreenCentre + kRimRadius * std::sin(deg * kPi / 180.0);
    const double ry = kScreenCentre - kRimRadius * std::cos(deg * kPi / 180.0);
    SetPolygon(mRimArrow, kRimShape, 3, deg, lx + rx, ly + ry);
    evas_object_show(mRimArrow);
    evas_object_hide(mDot);
}

void LostContactCard::GetWatchDot(int& x, int& y) const
{
    x = y = -1;
    if (!mDot || !evas_object_visible_get(mDot))
        return;
    Evas_Coord gx = 0, gy = 0, gw = 0, gh = 0;
    evas_object_geometry_get(mDot, &gx, &gy, &gw, &gh);
    x = gx + gw / 2;
    y = gy + gh / 2;
}

std::string LostContactCard::GetSpokenText() const
{
    RETV_IF(!mGuide, std::string());
    std::string way;
    if (mLinkBack)
        way = Translated("WDS_ORZ_BODY_PHONE_IS_BACK_TAP_TO_RING");
    else if (!mGuide->PositionKnown() || !mGuide->SpotKnown())
        way = Translated("WDS_ORZ_BODY_YOUR_POSITION_IS_NOT_KNOWN");
    else if (mGuide->IsHere())
        way = Translated("WDS_ORZ_BODY_YOU_ARE_HERE_RING_WHEN_BACK");
    else
        way = mGuide->SpokenWay();
    if (mGuide->GetSpot() == NSORZCommon::LostContactGuide::Spot::PHONE_REPORTED)
        return Replace(Translated("WDS_ORZ_BODY_PHONE_LAST_REPORTED_P1SS"), "%1$s", way);
    return Replace(Replace(Translated("WDS_ORZ_BODY_LOST_CONTACT_AT_P1SS_P2SS"), "%1$s", TimeText()), "%2$s",
                   way);
}
} // namespace NSPelorn

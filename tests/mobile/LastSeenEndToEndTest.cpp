#include "DBusMock.h"
#include "DesktopBridgeProcess.h"
#include "DiscGeometry.h"
#include "FindingScreenProbe.h"
#include "TextDomain.h"
#include "GeoMath.h"
#include "LastSeenMapStore.h"
#include "LocationScreenProbe.h"
#include "LostContactStore.h"
#include "MobileLocationViewController.h"
#include "PhoneSimProcess.h"
#include "PreferenceUtil.h"
#include "PrivateBus.h"
#include "pelorn_log_capture.h"

using NSPelorn::ORZToastPopupType;
using PelornTest::AppScenario;
using PelornTest::PhoneSimProcess;

using namespace LocationScreenProbe;

namespace
{
const std::string kParis = "Place du Parvis Notre-Dame Paris France";

const NSPelorn::MapZoomStepper* Zoom()
{
    auto controller = std::dynamic_pointer_cast<NSPelorn::MobileLocationViewController>(TopController());
    return controller ? &controller->GetZoomStepper() : nullptr;
}

bool PictureKept()
{
    NSORZCommon::LastSeenMap kept;
    return NSORZCommon::LastSeenMapStore().Load(kept);
}

std::string Plain(const std::string& markup)
{
    char* plain = elm_entry_markup_to_utf8(markup.c_str());
    std::string text = plain ? plain : "";
    free(plain);
    return text;
}

std::string AgeShown()
{
    return LocationScreen() ? LocationScreen()->GetLastSeenBanner().GetAgeText() : "";
}

/* The age line says that many minutes, or one more: the stored fix time is the
 * real clock's, so a loaded machine may let one more real minute pass. */
bool AgeIsAbout(const std::string& shown, int minutes)
{
    for (int m : {minutes, minutes + 1})
        if (shown == (m == 0 ? "Last seen now" : "Last seen " + std::to_string(m) + " min. ago"))
            return true;
    return false;
}

/* The last-seen screen in place, no toast over it, with the address as it stands and an age of about that
 * many minutes (none known: below 0). */
std::function<bool()> LastSeenShown(int minutes, const std::string& address)
{
    return [minutes, address]
    {
        auto view = LocationScreen();
        return view && view->IsLastSeen() && LocationScreenInPlace() && !ToastShown(kFailedToast) &&
               Plain(AddressShown()) == address && view->GetLastSeenBanner().GetLayout() &&
               evas_object_visible_get(view->GetLastSeenBanner().GetLayout()) &&
               (minutes < 0 ? AgeShown() == "Last seen: time unknown" : AgeIsAbout(AgeShown(), minutes));
    };
}

AppScenario& ToKorean(AppScenario& s)
{
    return s
        .Do("Korean",
            []
            {
                vconf_set_str("db/menu_widget/language", "ko_KR.UTF-8");
                vconf_set_str("db/menu_widget/regionformat", "ko_KR.UTF-8");
            })
        .WaitFor("language applied",
                 [] { return !FindingScreenProbe::ButtonText().empty() && FindingScreenProbe::ButtonText() != "Start"; });
}

/* One bezel detent over the middle of the screen (wheel down turns clockwise). */
void Turn(bool clockwise)
{
    Evas* evas = evas_object_evas_get(Window());
    const unsigned int t = (unsigned int)(ecore_loop_time_get() * 1000);
    evas_event_feed_mouse_move(evas, 180, 180, t, nullptr);
    evas_event_feed_mouse_wheel(evas, 0, clockwise ? 1 : -1, t + 1, nullptr);
}

/* Detents, then the bezel rests long enough for the zoom to be asked for. */
void TurnAndRest(std::initializer_list<bool> clockwise)
{
    for (bool way : clockwise)
        Turn(way);
    pelorn_clock_advance_ms(NSPelorn::MobileLocationViewController::ZOOM_SETTLE_MS);
}

/* The zoom of each map URL the server saw ("z=17" for HERE). */
std::string Zooms(const PelornTest::MapServerProcess& server)
{
    std::string zooms;
    for (const std::string& url : server.LoggedUrls())
    {
        const std::string::size_type at = url.find("&z=");
        zooms +=
            (zooms.empty() ? "" : " ") +
            (at == std::string::npos ? std::string("?") : url.substr(at + 3, url.find('&', at + 3) - at - 3));
    }
    return zooms;
}

/* A position stored by an earlier fix, that many seconds ago. */
void StoreEarlierFix(time_t secondsAgo)
{
    preference_set_double("WORZ_PREF_DOUBLE_LAST_LOCATION_LAT", 48.8566);
    preference_set_double("WORZ_PREF_DOUBLE_LAST_LOCATION_LON", 2.3522);
    preference_set_string("WORZ_PREF_STRING_LAST_LOCATION_ADDRESS", kParis.c_str());
    preference_set_int("WORZ_PREF_STRING_LAST_LOCATION_TIME", (int)(time(NULL) - secondsAgo));
}

Evas_Object* AddressTextblock()
{
    auto view = LocationScreen();
    return view ? const_cast<Evas_Object*>(edje_object_part_object_get(
                      elm_layout_edje_get(view->GetOverlayLayout()), "mobileLocationText"))
                : nullptr;
}

std::string Repeated(const std::string& text, int times)
{
    std::string all;
    for (int i = 0; i < times; i++)
        all += text;
    return all;
}

/* Each broke the screen when drawn as markup; the last is too long for the band at any size. */
const std::vector<std::string> kHostileTexts = {
    "<color=#f00>RED</color> Street",
    "<b>Bold</b> Avenue",
    "<font_size=200>BIG</font_size>",
    "<item size=300x300 vsize=full href=file:///etc/passwd></item>Item Road",
    Repeated("<br/>", 200) + "after the breaks",
    "<font_size=60><color=#0f0>open tags",
    "x < y Street, Springfield, Freedonia",
    "Smith &amp; Sons, 3 &lt;Main&gt; St &#x41;&nbsp;",
    "WDS_ORZ_NPBODY_ADDRESS_IS_UNAVAILABLE",
    "</textblock></font></color><ps/><tab/>",
    "<a href=x>link</a> 'single' \"double\"",
    "<ellipsis=1.0><wrap=none><align=left>format tags",
    "Ünïcödé 서울 <u>under</u> ％＜＞",
    Repeated("Harbour Boulevard, ", 120) + "THE END",
};

class LastSeenEndToEnd : public LocationEndToEnd
{
};
} // namespace

/* Gone after a fix, the phone is shown where it was last seen and how long ago, on the picture kept then;
 * a fix with the map server down shows that picture too, and a zoom that fails keeps it.
 * The phone's address, city and country were drawn as markup: a colour tag coloured the overlay, a size
 * tag or a run of line breaks blanked it, a "<" in a street name cut off the rest, and a text equal to one
 * of our catalogue ids showed our translation. Stored as the last address, they did the same on every
 * last-seen screen. And a missing time read as 1 January 1970. */
TEST_F(LastSeenEndToEnd, APhoneGoneAfterAFixIsShownWhereItWasLastSeenHowLongAgoAndItsTextsAsTheyStand)
{
    PelornTest::MapServerProcess server;
    UseMapServer(server);
    std::string deadProxy; // where no map server answers any more
    {
        PelornTest::MapServerProcess gone;
        deadProxy = gone.ProxyAddress();
    }
    const std::string address = "<font_size=200>BIG</font_size> x < y &amp; <color=#f00>RED";
    PhoneSimProcess phone({"--latitude", "40.7128", "--longitude", "-74.006", "--address", address, "--city",
                           "<b>Spring\nfield</b>", "--country", "WDS_ORZ_NPBODY_ADDRESS_IS_UNAVAILABLE"});
    ASSERT_TRUE(phone.Ready());
    const std::string live = address + " <b>Spring field</b> WDS_ORZ_NPBODY_ADDRESS_IS_UNAVAILABLE";
    Evas_Object* keptPicture = nullptr;
    std::string stored, pictureDigest, ageShown, ageLater;
    bool failureToastSeen = false;
    std::vector<std::string> wrong;
    std::vector<PelornTest::TextLine> longLines;
    PelornTest::TextLine band;
    time_t fixTime = 0;
    AppScenario s(150000);
    Locate(s, "live")
        .WaitFor(
            "the live map with the phone's text as it stands", [&]
            { return PictureShown() && Plain(AddressShown()) == live && server.LoggedUrls().size() == 1; })
        .ScreenshotWhenStill(Window, "location-hostile-address")
        .WaitFor("picture kept", PictureKept)
        // The phone goes while its live map is shown: the band says at once that the map is not live.
        .Then("the phone detaches", [&] { phone.Command("detach"); },
              []
              {
                  auto banner = LocationScreen() ? LocationScreen()->GetLastSeenBanner().GetLayout() : nullptr;
                  return banner && evas_object_visible_get(banner) &&
                         LocationScreen()->GetLastSeenBanner().GetNoticeText() == "Not a live position";
              })
        .Then("and comes back", [&] { phone.Command("attach"); }, Linked)
        .Do("stored", [&] { stored = NSORZCommon::PreferenceUtil::GetLastLocationAddress(); })
        .WaitFor("back", BackTaken())
        .Do("the map server stops", [&] { vconf_set_str("memory/dnet/proxy", deadProxy.c_str()); });
    Locate(s, "offline")
        .WaitFor("the fix arrives but the map fails", [] { return ToastShown(kFailedToast); })
        .WaitFor("last seen from the data folder", [&] { return LastSeenShown(0, live)() && PictureShown(); })
        .ScreenshotWhenStill(Window, "location-last-seen-offline")
        .Do("the picture",
            [&]
            {
                keptPicture = LocationScreen()->GetMapPicture();
                pictureDigest = AppScenario::PictureDigest(Window());
                pelorn_clock_set_manual(TRUE);
            })
        .Do("a detent", [] { TurnAndRest({true}); })
        .WaitFor("the zoom request fails",
                 [] { return Zoom() && Zoom()->Wanted() == 16 && !Zoom()->InFlight(); })
        .WaitFor("the kept picture stays",
                 [&]
                 {
                     return LastSeenOnScreen() && LocationScreen()->GetMapPicture() == keptPicture &&
                            PictureShown() && AppScenario::PictureDigest(Window()) == pictureDigest;
                 })
        .WaitFor("back", BackTaken())
        .Do("the map server is back", [&] { UseMapServer(server); })
        .Do("the phone goes away", [&] { phone.Terminate(); })
        .WaitFor("gone", Unlinked)
        .Do("12 minutes pass", [] { pelorn_clock_advance_ms(12 * 60 * 1000 + 5000); });
    // Not reachable: said once, by the band of the last-seen screen, never by a failure toast before it.
    Locate(s, "unreachable")
        .WaitFor("where it was, on the kept picture, saying why",
                 [&]
                 {
                     failureToastSeen = failureToastSeen || ToastShown(kFailedToast);
                     return LastSeenShown(12, live)() && PictureShown() &&
                            LocationScreen()->GetLastSeenBanner().GetNoticeText() == "Phone not reachable";
                 })
        .ScreenshotWhenStill(Window, "location-last-seen-en")
        .Do("the age shown", [&] { ageShown = AgeShown(); })
        .Do("two more minutes on the screen", [] { pelorn_clock_advance_ms(2 * 60 * 1000); })
        .WaitFor("two minutes more than before, give or take the real minute boundary",
                 [&]
                 {
                     ageLater = AgeShown();
                     return LastSeenShown(14, live)() && ageLater != ageShown &&
                            (ageShown != "Last seen 13 min. ago" || ageLater == "Last seen 15 min. ago");
                 })
        .Do("every hostile text stored and shown",
            [&]
            {
                for (const std::string& text : kHostileTexts)
                {
                    NSORZCommon::PreferenceUtil::SetLastLocationAddress(text);
                    LocationScreen()->ShowLastSeen();
                    if (Plain(AddressShown()) != text)
                        wrong.push_back(text + "\n  shows as: " + Plain(AddressShown()));
                }
            })
        .WaitFor("the longest laid out",
                 [&]
                 {
                     longLines = PelornTest::TextLines(AddressTextblock());
                     evas_object_geometry_get(AddressTextblock(), &band.x, &band.y, &band.w, &band.h);
                     return !longLines.empty() && LastSeenOnScreen();
                 })
        .ScreenshotWhenStill(Window, "location-endless-address")
        .WaitFor("back", BackTaken())
        .Do("the time is lost",
            [&]
            {
                fixTime = NSORZCommon::PreferenceUtil::GetLastLocationTime();
                preference_remove("WORZ_PREF_STRING_LAST_LOCATION_TIME");
            });
    Locate(s, "unreachable, no time")
        .WaitFor("last seen, the time unknown", LastSeenShown(-1, kHostileTexts.back()))
        .WaitFor("back", BackTaken())
        .Do("the time is back, an hour later",
            [&]
            {
                NSORZCommon::PreferenceUtil::SetLastLocationTime(fixTime);
                pelorn_clock_advance_ms(60 * 60 * 1000);
            });
    ToKorean(s);
    Locate(s, "unreachable in Korean")
        .WaitFor("last seen in Korean",
                 []
                 {
                     return LastSeenOnScreen() && !ToastShown(kFailedToast) && PictureShown() &&
                            AgeShown() == "마지막 확인: 1시간 전";
                 })
        .ScreenshotWhenStill(Window, "location-last-seen-ko");
    s.Run({});
    ASSERT_EQ("", s.FailedStep()) << "age " << ageShown << ", then " << ageLater << "\n" << phone.Output();
    EXPECT_EQ(1u, server.LoggedUrls().size()) << "the last seen picture came from the data folder";
    EXPECT_EQ(2u, phone.CountPrinted("\"mgr_host_location_req\""));
    EXPECT_FALSE(failureToastSeen) << "a failure toast came before the last-seen screen of an unreachable phone";
    EXPECT_EQ(live, stored);
    for (const std::string& failure : wrong)
        ADD_FAILURE() << failure;
    // The endless address: whole lines on the disc, inside the band, the last one ending in an ellipsis.
    EXPECT_LE(PelornTest::PixelsOutsideDisc(longLines), 0.0) << PelornTest::Describe(longLines);
    ASSERT_FALSE(longLines.empty());
    EXPECT_LE(longLines.back().y + longLines.back().h, band.y + band.h) << PelornTest::Describe(longLines);
}

/* A zoom answer that is no usable picture (a page, a picture too large) keeps the map shown. */
TEST_F(LastSeenEndToEnd, TheBezelZoomsOneStepPerDetentUpToTheProvidersMaximumAndCoalesces)
{
    // Each kind of answer comes from its own map server; the proxy (and the authority to trust) is
    // switched between detents.
    const std::string page = mDirs.StateDir() + "/not-a-map.html";
    const std::string huge = mDirs.StateDir() + "/huge.png";
    const std::string hugePng = HugeDeclaredPng(4000, 4000);
    ASSERT_TRUE(g_file_set_contents(page.c_str(), "<html>not a map</html>", -1, nullptr));
    ASSERT_TRUE(g_file_set_contents(huge.c_str(), hugePng.data(), (gssize)hugePng.size(), nullptr));
    PelornTest::MapServerProcess server;
    PelornTest::MapServerProcess pageServer({"--picture", page});
    PelornTest::MapServerProcess hugeServer({"--picture", huge});
    ASSERT_TRUE(pageServer.IsRunning());
    ASSERT_TRUE(hugeServer.IsRunning());
    UseMapServer(server);
    PhoneSimProcess phone({"--latitude", "40.7128", "--longitude", "-74.006"});
    ASSERT_TRUE(phone.Ready());
    auto urlsAndShown = [&server](size_t urls, int shown)
    {
        return [&server, urls, shown]
        {
            return server.LoggedUrls().size() == urls && Zoom() && Zoom()->Shown() == shown &&
                   !Zoom()->InFlight() && PictureShown();
        };
    };
    auto detentThrough = [](const PelornTest::MapServerProcess& through)
    {
        return [&through]
        {
            LocationScreenProbe::UseMapServer(through);
            TurnAndRest({true});
        };
    };
    auto answeredBy = [](const PelornTest::MapServerProcess& by, size_t n)
    { return [&by, n] { return by.LoggedUrls().size() == n && Zoom() && !Zoom()->InFlight(); }; };
    Evas_Object* first = nullptr;
    auto mapStays = [&first]
    { return LocationScreen()->GetMapPicture() == first && PictureShown() && Zoom()->Shown() == 17; };
    std::string zoomsBeforeRest;
    AppScenario s(60000);
    Locate(s, "live")
        .WaitFor("live map", [&]
                 { return PictureShown() && AddressShown() == kAddress && server.LoggedUrls().size() == 1; })
        .Do("time by hand", [] { pelorn_clock_set_manual(TRUE); })
        .Do("one detent", [] { TurnAndRest({true}); })
        .WaitFor("one step", urlsAndShown(2, 17))
        .Do("another", [] { TurnAndRest({true}); })
        .WaitFor("another step", urlsAndShown(3, 18))
        // Three quick detents while nothing rests: one request, for where the bezel stopped.
        .Do("a fast turn",
            []
            {
                for (bool clockwise : {true, true, false, true})
                {
                    pelorn_clock_advance_ms(100);
                    Turn(clockwise);
                }
            })
        .Do("the bezel rests",
            [&]
            {
                zoomsBeforeRest = Zooms(server);
                TurnAndRest({});
            })
        .WaitFor("where it stopped", urlsAndShown(4, 20))
        .Do("past the maximum",
            [] {
                TurnAndRest({true, true});
            })
        // Turned on while a picture travels: the next one waits for it, then goes once.
        .Do("turns while a picture travels",
            []
            {
                TurnAndRest({false});
                TurnAndRest({false, false});
            })
        .WaitFor("one request after the picture", urlsAndShown(6, 17))
        .ScreenshotWhenStill(Window, "location-map-zoomed")
        .Do("the picture", [&] { first = LocationScreen()->GetMapPicture(); })
        .Then("a detent answered by a page", detentThrough(pageServer), answeredBy(pageServer, 1))
        .WaitFor("the map stays", mapStays)
        .Then("a detent answered by a picture too large", detentThrough(hugeServer),
              answeredBy(hugeServer, 1))
        .WaitFor("the map stays again", mapStays)
        .Then("a detent answered by a map", detentThrough(server), urlsAndShown(7, 18))
        .WaitFor("the zoomed map replaces it", [&] { return LocationScreen()->GetMapPicture() != first; });
    s.Run({});
    ASSERT_EQ("", s.FailedStep()) << Zooms(server) << "\n" << phone.Output();
    EXPECT_EQ("16 17 18", zoomsBeforeRest) << "nothing went while the bezel moved";
    EXPECT_EQ("16 17 18 20 19 17 18", Zooms(server));
    EXPECT_EQ("18", Zooms(pageServer));
    EXPECT_EQ("18", Zooms(hugeServer));
}

namespace
{
// Where contact is lost, where the phone last reported (140 m away), and the
// walk back from 350 m south-west of the spot.
const double kSpotLat = 37.5665, kSpotLon = 126.9780;
const char* const GEOCLUE_MANAGER = "/org/freedesktop/GeoClue2/Manager";
const char* const GEOCLUE_CLIENT = "/org/freedesktop/GeoClue2/Client/1";
const char* const SENSORS = "/net/hadess/SensorProxy";

NSPelorn::LostContactCard* Card()
{
    auto view = LocationScreen();
    return view && view->IsLastSeen() && view->GetLostContactCard().IsShown() ? &view->GetLostContactCard()
                                                                              : nullptr;
}

std::function<bool()> CardSays(const std::string& way)
{
    return [way] { return Card() && Card()->GetWayText() == way; };
}

std::function<bool()> ArrowAt(double deg)
{
    return [deg]
    { return Card() && std::fabs(NSORZCommon::GeoMath::TurnDeg(Card()->GetArrowDeg(), deg)) < 1; };
}

/* Where the card sends the wearer, and its arrow. */
std::function<bool()> CardSays(const std::string& way, double deg)
{
    return [way, deg] { return CardSays(way)() && ArrowAt(deg)(); };
}

std::function<bool()> TitleSays(const std::string& start)
{
    return [start] { return Card() && Card()->GetTitleText().find(start) == 0; };
}

std::function<void()> MoveWatch(PelornTest::DBusMock& geoclue, double lat, double lon)
{
    return [&geoclue, lat, lon]
    { geoclue.Tell(GEOCLUE_MANAGER, "SetLocation", g_variant_new("(ddd)", lat, lon, 8.0)); };
}

std::function<void()> TurnWatch(PelornTest::DBusMock& sensors, double heading)
{
    return [&sensors, heading]
    {
        sensors.Tell(SENSORS, "SetInternalProperty",
                     g_variant_new("(ssv)", "net.hadess.SensorProxy.Compass", "CompassHeading",
                                   g_variant_new_double(heading)));
    };
}

bool Recorded(int64_t sequence)
{
    NSORZCommon::LostContactRecord record;
    return NSORZCommon::LostContactStore().Load(record) && record.sequence == sequence && record.hasFix &&
           record.accurate && record.latitude == kSpotLat && record.longitude == kSpotLon;
}

void TapCard()
{
    AppScenario::Tap(Window(), 200, 167);
}

/* Shown again after elm_win_lower(), as a window manager would. */
void Resume()
{
    evas_object_hide(Window());
    evas_object_show(Window());
}
} // namespace

/* Another maker's phone only tells that its location is off; on a phone of the watch's maker the wearer
 * may decline to switch it on (the stored position is shown), or switch it on from the watch. Detached or
 * killed, that phone is recorded where it was lost, and the card points the way back. A phone that is there
 * but never answers (or has left the link) kept the wearer on "Connecting to phone..." with no end in sight.
 */
TEST_F(LastSeenEndToEnd, DetachedOrKilledThePhoneIsRecordedWhereLostAndTheCardPointsTheWayBack)
{
    PelornTest::PrivateSystemBus bus;
    ASSERT_TRUE(bus.IsRunning());
    PelornTest::DBusMock geoclue(bus.Address(), "org.freedesktop.GeoClue2",
                                 {"--template", PelornTest::DBusMock::GeoClueTemplate()});
    ASSERT_TRUE(geoclue.Ready()) << geoclue.LastError();
    PelornTest::DBusMock sensors(
        bus.Address(), "net.hadess.SensorProxy",
        {"--template", "iio-sensors-proxy", "--parameters", "{\"has_compass\": true}"});
    ASSERT_TRUE(sensors.Ready()) << sensors.LastError();
    MoveWatch(geoclue, kSpotLat, kSpotLon)();
    TurnWatch(sensors, 0.0)();
    PelornTest::MapServerProcess server;
    UseMapServer(server);
    PhoneSimProcess other({"--location-off"});
    ASSERT_TRUE(other.Ready());
    std::unique_ptr<PhoneSimProcess> phone, silent;
    std::unique_ptr<PelornTest::DesktopBridgeProcess> bridge;

    const double farLat = kSpotLat - 0.00223, farLon = kSpotLon - 0.0028;
    const double bearing = NSORZCommon::GeoMath::InitialBearingDeg(farLat, farLon, kSpotLat, kSpotLon);
    std::string spoken;
    size_t stops = 0, starts = 0;
    int64_t sequenceAfterTheCard = 0;
    bool waitingAt14999 = false;
    auto calls = [&geoclue](const char* method) { return geoclue.CallsOf(GEOCLUE_CLIENT, method).size(); };
    auto pause = [] { elm_win_lower(Window()); };
    auto givenUp = []
    { return LastSeenOnScreen() && PictureShown() && !LocationScreen()->GetBasicPopup(kConnecting); };
    auto asked = [&silent](size_t times) {
        return [&silent, times] { return silent->CountPrinted("\"mgr_location_setting_get_req\"") == times; };
    };
    const int kUnableDuringCalls = (int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_UNABLE_TO_USE_DURING_CALLS;
    const int kNotReached = (int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_PHONE_NOT_REACHED;
    bool callingInsideTheBound = false, notReachedSaid = false;
    const int kNotAvailable = (int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_LOCATION_NOT_AVAILABLE;
    const int kDisabledPrompt = (int)NSPelorn::ORZBasicPopupType::ORZ_POPUP_TYPE_LOCATION_DISABLED_ON_PHONE;
    AppScenario s(150000);
    pelorn_log_capture_begin();
    Locate(s, "another maker's")
        .WaitFor("disabled prompt", [] { return PopupShown(kDisabledPrompt) && !PopupShown(kTurnOnPrompt); })
        .TapWhenReady("OK", PopupButton(kDisabledPrompt, "button1"), FindingScreenIdle)
        .Then(
            "the other phone goes", [&] { other.Terminate(); },
            [&] { return Unlinked() && server.LoggedUrls().empty(); })
        .Do("a maker's phone comes, and a position stored by an earlier fix",
            [&]
            {
                // The other phone's loss goes unrecorded: the bridge comes after it. Its 10 s and 60 s pass
                // fifty times faster; the verdicts wait for the record.
                bridge.reset(new PelornTest::DesktopBridgeProcess(50));
                StoreEarlierFix(30 * 60);
                phone.reset(new PhoneSimProcess(
                    {"--location-off", "--remote", "--latitude", "37.5675", "--longitude", "126.9790"}, {},
                    false));
            })
        .WaitFor("linked", [&] { return bridge->Ready() && Linked(); });
    Locate(s, "declined")
        .WaitFor("turn-on prompt", [] { return PopupShown(kTurnOnPrompt) && LocationScreenInPlace(); })
        .TapWhenReady("decline", PopupButton(kTurnOnPrompt, "button1"),
                      [&] { return ToastShown(kNotAvailable) || LastSeenOnScreen(); })
        // With the picture fetched for it: none was kept.
        .WaitFor("then the stored position",
                 [&]
                 {
                     return givenUp() && LastSeenShown(30, kParis)() && server.LoggedUrls().size() == 1 &&
                            server.LoggedUrls()[0].find("&ctr=48.856600,2.352200&z=16") != std::string::npos;
                 })
        .WaitFor("back", BackTaken())
        .Do("metres from now on", [] { vconf_set_str("db/menu_widget/regionformat", "en_AU.UTF-8"); });
    Locate(s, "live")
        // The connecting popup waits under the prompt until the location arrives.
        .WaitFor("turn-on prompt again", []
                 { return PopupShown(kTurnOnPrompt) && PopupShown(kConnecting) && LocationScreenInPlace(); })
        .ScreenshotWhenStill(Window, "location-turn-on-prompt")
        .TapWhenReady("accept", PopupButton(kTurnOnPrompt, "button2"),
                      [&] { return phone->CountPrinted("\"mgr_location_setting_set_req\"") == 1; })
        .WaitFor("live map", [&]
                 { return PictureShown() && AddressShown() == kAddress && server.LoggedUrls().size() == 2; })
        .WaitFor("back", BackTaken())
        // The app lets its own connection go while paused; the phone is still there.
        .Then("paused", pause, [] { return pelorn_log_captured("", "> AppPause"); })
        .Then("resumed", Resume, [] { return FindingScreenIdle() && Linked(); })
        .Do("detached", [&] { phone->Command("detach"); })
        .WaitFor("recorded", [] { return Recorded(1); })
        .Do("attached again", [&] { phone->Command("attach"); })
        .WaitFor("linked again", Linked)
        .Do("killed", [&] { phone->Terminate(); })
        .WaitFor("recorded again", [] { return Recorded(2); });
    Locate(s, "unreachable")
        .WaitFor("the card", [] { return Card() && PictureShown(); })
        .Then("350 m away, facing north", MoveWatch(geoclue, farLat, farLon), CardSays("350 m NE", bearing))
        .Then("walking closer", MoveWatch(geoclue, kSpotLat - 0.001, kSpotLon - 0.00125),
              CardSays("150 m NE", bearing))
        .WaitFor("the dot",
                 []
                 {
                     int x, y;
                     Card()->GetWatchDot(x, y);
                     return x > 0 && y > 0;
                 })
        .ScreenshotWhenStill(Window, "lost-contact")
        // Walked round: the arrow turns.
        .Then("round to due south of it", MoveWatch(geoclue, kSpotLat - 0.0009, kSpotLon),
              CardSays("100 m N", 0.0))
        // The watch turned right, the arrow left.
        .Then("the wearer turns east", TurnWatch(sensors, 90.0), CardSays("100 m N", 270.0))
        .ScreenshotWhenStill(Window, "which-way")
        .Do("said as one sentence", [&] { spoken = Card()->GetSpokenText(); })
        // Hidden, the watch asks its location service nothing; back, it asks again.
        .Do("stops so far", [&] { stops = calls("Stop"); })
        .Do("starts so far", [&] { starts = calls("Start"); })
        .Then("paused with the card shown", pause, [&] { return calls("Stop") > stops; })
        .Then("resumed", Resume, [&] { return calls("Start") > starts && Card(); })
        .Then("a tap: where the phone reported", TapCard, TitleSays("Phone last reported"))
        .Then("a tap: where contact was lost", TapCard, TitleSays("Lost contact "))
        .Then("at the spot", MoveWatch(geoclue, kSpotLat + 0.00005, kSpotLon),
              CardSays("You are here: ring the phone when it is back in range"))
        .ScreenshotWhenStill(Window, "lost-contact-here")
        .WaitFor("back", BackTaken());
    ToKorean(s)
        .Do("away again", MoveWatch(geoclue, kSpotLat - 0.001, kSpotLon - 0.00125))
        .Do("facing north", TurnWatch(sensors, 0.0));
    Locate(s, "unreachable in Korean")
        .WaitFor("the card in Korean", CardSays("150 m 북동", bearing))
        .ScreenshotWhenStill(Window, "lost-contact-ko")
        .Then("facing east", TurnWatch(sensors, 90.0), ArrowAt(bearing - 90.0))
        .ScreenshotWhenStill(Window, "which-way-ko")
        .WaitFor("back from the card", BackTaken())
        .Do("a silent phone comes",
            [&]
            {
                NSORZCommon::LostContactRecord record;
                if (NSORZCommon::LostContactStore().Load(record))
                    sequenceAfterTheCard = record.sequence;
                silent.reset(new PhoneSimProcess({"--never-answer"}, {}, false));
                pelorn_clock_set_manual(TRUE);
            })
        .WaitFor("the silent one linked", Linked);
    Locate(s, "silent")
        .WaitFor("asked", asked(1))
        .Do("14.999 s pass",
            [&]
            {
                // Timers due fire inside the advance: the state right after it is the verdict.
                pelorn_clock_advance_ms(14999);
                waitingAt14999 =
                    LocationScreen() && !LocationScreen()->IsLastSeen() && !ToastShown(kFailedToast);
            })
        .Do("the 15th second", [] { pelorn_clock_advance_ms(1); })
        .WaitFor("given up", givenUp)
        .WaitFor("back from the silent one", BackTaken())
        // A ring the phone never answers is only a call: the watch says it calls, never that the phone
        // rings, and once the bound has passed it says the phone was not reached and sends a stop after
        // the request. The next ring it refuses (a call is going on): the wearer is told.
        .TapWhenReady("ring the silent one", FindingScreenProbe::Button,
                      [&] { return silent->Received("rux-startalert-req") == 1 && FindingScreenProbe::Finding(); })
        .Do("just inside the bound",
            [&]
            {
                // Timers due fire inside the advance: the state right after it is the verdict.
                pelorn_clock_advance_ms(NSPelorn::PelornView::RingAnswerBoundMs() - 1);
                auto view = FindingScreenProbe::Screen();
                const std::string calling = Translated("WDS_ORZ_HEADER_CALLING_PHONE_ABB");
                callingInsideTheBound = FindingScreenProbe::Finding() && view && view->IsAwaitingRingAnswer() &&
                                        FindingScreenProbe::TitleOf(view) == calling;
            })
        .Then("the bound passes", [] { pelorn_clock_advance_ms(1); },
              [&]
              {
                  // The toast comes with the change back, and may be gone when the change is over.
                  const std::string notReached = Translated("WDS_ORZ_TPOP_PHONE_NOT_REACHED_TRY_AGAIN_ABB");
                  const std::string title = Translated("WDS_ORZ_HEADER_RUX_ABB");
                  notReachedSaid = notReachedSaid || FindingScreenProbe::ToastSays(kNotReached, notReached);
                  return notReachedSaid && FindingScreenIdle() &&
                         FindingScreenProbe::TitleOf(FindingScreenProbe::Screen()) == title &&
                         silent->Received("rux-stopalert-req") == 1;
              })
        .TapWhenReady("ring again", FindingScreenProbe::Button,
                      [&] { return silent->Received("rux-startalert-req") == 2; })
        .Then("the phone refuses",
              [&] { silent->Command(R"(send {"msgId":"rux-startalert-rsp","result":"1","reason":"2"})"); },
              [] { return FindingScreenProbe::ToastShown(kUnableDuringCalls) && FindingScreenProbe::Idle(); })
        .ScreenshotWhenStill(Window, "start-refused");
    Locate(s, "detached")
        .WaitFor("asked again", asked(2))
        .Do("the phone detaches", [&] { silent->Command("detach"); })
        .WaitFor("given up at once", givenUp);
    s.Run({});
    pelorn_log_capture_end();
    ASSERT_EQ("", s.FailedStep()) << (Card() ? Card()->GetWayText() : "no card") << other.Output()
                                  << (phone ? phone->Output() : "") << (silent ? silent->Output() : "");
    EXPECT_TRUE(callingInsideTheBound) << "not calling the phone just inside the bound";
    EXPECT_EQ(2, sequenceAfterTheCard) << "the pause was no loss";
    EXPECT_EQ(0u, spoken.find("Lost contact at ")) << spoken;
    EXPECT_NE(std::string::npos, spoken.find(", 100 metres north")) << spoken;
    EXPECT_EQ(0u, other.CountPrinted("\"mgr_location_setting_set_req\""));
    EXPECT_EQ(0u, other.CountPrinted("\"mgr_host_location_req\""));
    EXPECT_EQ(1u, phone->CountPrinted("\"mgr_host_location_req\"")) << "none after the decline";
    EXPECT_TRUE(waitingAt14999);
    EXPECT_EQ(0u, silent->CountPrinted("\"mgr_host_location_req\""));
    EXPECT_EQ(1, silent->Received("rux-stopalert-req")) << "a given-up ring is followed by one stop, and no more";
}

TEST_F(LastSeenEndToEnd, WithNoGeoClueTheCardSaysThePositionIsNotKnownInOneLogLineAndOffersTheRingOnceBack)
{
    PelornTest::PrivateSystemBus bus; // nobody on it
    ASSERT_TRUE(bus.IsRunning());
    NSORZCommon::PreferenceUtil::SetLastLocationLat(kSpotLat);
    NSORZCommon::PreferenceUtil::SetLastLocationLon(kSpotLon);
    NSORZCommon::LostContactRecord record;
    record.sequence = 1;
    record.timeMs = pelorn_clock_wall_ms();
    record.hasFix = record.accurate = true;
    record.latitude = kSpotLat;
    record.longitude = kSpotLon;
    ASSERT_TRUE(NSORZCommon::LostContactStore().Save(record));
    pelorn_log_capture_begin();
    AppScenario s(60000);
    std::unique_ptr<PhoneSimProcess> phone;
    Locate(s, "unreachable")
        .WaitFor("the card", CardSays("Your position is not known"))
        .Then(
            "the phone comes back", [&] { phone.reset(new PhoneSimProcess()); },
            CardSays("Phone is back: tap to ring"))
        .Then("a tap rings, as the card says", TapCard,
              [&] { return phone->Received("rux-startalert-req") == 1 && FindingScreenProbe::Finding(); });
    s.Run({});
    int lines = 0;
    for (const std::string& line : pelorn_log_captured_lines())
        lines += line.find("no position") != std::string::npos;
    pelorn_log_capture_end();
    ASSERT_EQ("", s.FailedStep());
    EXPECT_EQ(1, lines);
}

/* A phone in reach that only has its location off: the last-seen screen shows where it was, and no card of a
 * loss recorded by an earlier run sends the wearer walking to where that one lost it. */
TEST_F(LastSeenEndToEnd, APhoneInReachGetsNoCardOfAnEarlierLoss)
{
    NSORZCommon::PreferenceUtil::SetLastLocationLat(kSpotLat);
    NSORZCommon::PreferenceUtil::SetLastLocationLon(kSpotLon);
    NSORZCommon::LostContactRecord record;
    record.sequence = 1;
    record.timeMs = pelorn_clock_wall_ms() - 3600 * 1000;
    record.hasFix = record.accurate = true;
    record.latitude = kSpotLat - 0.001;
    record.longitude = kSpotLon;
    ASSERT_TRUE(NSORZCommon::LostContactStore().Save(record));
    PhoneSimProcess phone({"--location-off"});
    ASSERT_TRUE(phone.Ready());
    const int kDisabledPrompt = (int)NSPelorn::ORZBasicPopupType::ORZ_POPUP_TYPE_LOCATION_DISABLED_ON_PHONE;
    bool cardShown = true;
    AppScenario s(60000);
    Locate(s, "location off")
        .WaitFor("disabled prompt", [] { return PopupShown(kDisabledPrompt); })
        .TapWhenReady("OK", PopupButton(kDisabledPrompt, "button1"), LastSeenOnScreen)
        .Do("look", [&] { cardShown = LocationScreen()->GetLostContactCard().IsShown(); });
    s.Run({});
    ASSERT_EQ("", s.FailedStep()) << phone.Output();
    EXPECT_FALSE(cardShown) << "a card of an earlier loss over the screen of a phone in reach";
}

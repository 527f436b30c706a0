#include "AppScenario.h"
#include "DBusMock.h"
#include "DesktopBridgeProcess.h"
#include "GeoMath.h"
#include "LostContactStore.h"
#include "PrivateBus.h"
#include "pelorn_log_capture.h"
#include "LocationScreenProbe.h"
#include "LastSeenMapStore.h"
#include "MapServerProcess.h"
#include "MobileLocationView.h"
#include "MobileLocationViewController.h"
#include "PelornMain.h"
#include "PelornView.h"
#include "PhoneSimProcess.h"
#include "PopupTypes.h"
#include "PreferenceUtil.h"
#include "TestEnvironment.h"
#include "ViewBasicElements.h"
#include "ViewController.h"
#include "ViewManager.h"
#include "app_preference.h"
#include "DiscGeometry.h"
#include "pelorn_clock.h"
#include "vconf.h"

#include <cairo.h>
#include <efl_extension.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>

using NSPelorn::MobileLocationView;
using NSPelorn::ORZToastPopupType;
using PelornTest::AppScenario;
using PelornTest::PhoneSimProcess;

using namespace LocationScreenProbe;

namespace
{
const std::string kAddress = "1 Main Street, Springfield, Freedonia";
constexpr int kFailedToast = (int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_FAILED_TRY_AGAIN_LATER;

const NSPelorn::MapZoomStepper* Zoom()
{
    auto controller = std::dynamic_pointer_cast<NSPelorn::MobileLocationViewController>(TopController());
    return controller ? &controller->GetZoomStepper() : nullptr;
}

/* A decoded 360x360 picture in the map's place. */
bool PictureShown()
{
    auto view = LocationScreen();
    Evas_Object* image = view ? view->GetMapPicture() : nullptr;
    int w = 0, h = 0;
    if (image)
        evas_object_image_size_get(image, &w, &h);
    return image && w == 360 && h == 360 && evas_object_image_load_error_get(image) == EVAS_LOAD_ERROR_NONE;
}

/* The age line says that many minutes, or one more: the stored fix time is the
 * real clock's, so a loaded machine may let one more real minute pass. */
bool AgeIsAbout(const std::string& shown, int minutes)
{
    for (int m : {minutes, minutes + 1})
    {
        const std::string expected =
            m == 0 ? "Last seen now" : "Last seen " + std::to_string(m) + " min. ago";
        if (shown == expected)
            return true;
    }
    return false;
}

/* The last-seen screen in place, no toast over it, with an age of about that many minutes. */
std::function<bool()> LastSeenShown(int minutes)
{
    return [minutes]
    {
        auto view = LocationScreen();
        return view && view->IsLastSeen() && LocationScreenInPlace() && !ToastShown(kFailedToast) &&
               AddressShown() == kAddress && view->GetLastSeenBanner().GetLayout() &&
               evas_object_visible_get(view->GetLastSeenBanner().GetLayout()) &&
               AgeIsAbout(view->GetLastSeenBanner().GetAgeText(), minutes);
    };
}

std::function<bool()> After(int ms)
{
    return [start = g_get_monotonic_time(), ms] { return g_get_monotonic_time() - start > ms * 1000LL; };
}

/* One bezel detent over the middle of the screen (wheel down turns clockwise). */
void Turn(bool clockwise)
{
    Evas* evas = evas_object_evas_get(Window());
    const unsigned int t = (unsigned int)(ecore_loop_time_get() * 1000);
    evas_event_feed_mouse_move(evas, 180, 180, t, nullptr);
    evas_event_feed_mouse_wheel(evas, 0, clockwise ? 1 : -1, t + 1, nullptr);
}

AppScenario& Locate(AppScenario& s, const std::string& name)
{
    return s.WaitFor(name + ": finding screen idle", FindingScreenIdle)
        .Then(
            name + ": open the menu", [] { AppScenario::Tap(Window(), 352, 180); },
            [] { return eext_more_option_opened_get(TopView()->GetMoreOption()); })
        .Then(
            name + ": menu settles", [] {}, After(300))
        .Then(
            name + ": tap Locate", [] { AppScenario::Tap(Window(), 180, 180); },
            [] { return LocationScreen() != nullptr; });
}

/* Back, pressed again while the screen still slides in and ignores it. */
std::function<bool()> BackTaken()
{
    return [last = std::make_shared<gint64>(0)]
    {
        if (FindingScreenIdle())
            return true;
        if (LocationScreen() && g_get_monotonic_time() - *last > 400000)
        {
            *last = g_get_monotonic_time();
            AppScenario::PressKey(Window(), "BackSpace");
        }
        return false;
    };
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

class LastSeenEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        vconf_set_bool("db/brig/user_agreement/orzzib", 1);
        preference_set_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", true);
        vconf_set_int("memory/dnet/status", 2);
        vconf_set_str("db/csc/country_iso", "US");
        vconf_set_str("db/menu_widget/language", "en_US.UTF-8");
        vconf_set_str("db/menu_widget/regionformat", "en_US.UTF-8");
        vconf_set_int("db/menu_widget/regionformat_time1224", 2);
    }
    void TearDown() override
    {
        pelorn_clock_set_manual(FALSE);
        g_unsetenv("PELORN_CA_FILE");
    }

    void UseMapServer(const PelornTest::MapServerProcess& server)
    {
        ASSERT_TRUE(server.IsRunning());
        vconf_set_str("memory/dnet/proxy", server.ProxyAddress().c_str());
        // Maps come over verified HTTPS: trust this server's own authority.
        g_setenv("PELORN_CA_FILE", server.CaFile().c_str(), TRUE);
    }

    PelornTest::ScopedTestDirs mDirs;
};
} // namespace

TEST_F(LastSeenEndToEnd, APhoneGoneAfterAFixIsShownWhereItWasLastSeenAndHowLongAgo)
{
    PelornTest::MapServerProcess server;
    UseMapServer(server);
    PhoneSimProcess phone({"--latitude", "40.7128", "--longitude", "-74.006"});
    ASSERT_TRUE(phone.Ready());
    std::string ageShown;
    std::string ageLater;
    AppScenario s(120000);
    Locate(s, "live")
        .WaitFor("live map", [&]
                 { return PictureShown() && AddressShown() == kAddress && server.LoggedUrls().size() == 1; })
        .WaitFor("picture kept",
                 []
                 {
                     NSORZCommon::LastSeenMap kept;
                     return NSORZCommon::LastSeenMapStore().Load(kept);
                 })
        .Then(
            "back", [] {}, BackTaken())
        .Then(
            "the phone goes away", [&] { phone.Terminate(); },
            [] { return !NSPelorn::PelornMain::CheckConnectionAvailable(); })
        .Do("12 minutes pass",
            []
            {
                pelorn_clock_set_manual(TRUE);
                pelorn_clock_advance_ms(12 * 60 * 1000 + 5000);
            });
    Locate(s, "unreachable")
        .WaitFor("the failure toast first", [] { return ToastShown(kFailedToast); })
        .WaitFor("then where it was", LastSeenShown(12))
        .WaitFor("with the kept picture", PictureShown)
        .Then(
            "drawn", [] {}, After(400))
        .ScreenshotWhenStill(Window, "location-last-seen-en")
        .Do("the age shown", [&] { ageShown = LocationScreen()->GetLastSeenBanner().GetAgeText(); })
        .Then(
            "two more minutes on the screen", [] { pelorn_clock_advance_ms(2 * 60 * 1000); },
            [&]
            {
                // Two minutes more than before, give or take the real minute boundary.
                const std::string now =
                    LocationScreen() ? LocationScreen()->GetLastSeenBanner().GetAgeText() : "";
                ageLater = now + (LocationScreen() && LocationScreen()->IsLastSeen() ? "" : " (not last seen)") +
                           (ToastShown(kFailedToast) ? " (toast)" : "") + (LocationScreenInPlace() ? "" : " (moving)") +
                           " address " + AddressShown();
                return LastSeenShown(14)() && now != ageShown &&
                       (ageShown != "Last seen 13 min. ago" || now == "Last seen 15 min. ago");
            })
        .Then(
            "back", [] {}, BackTaken())
        .Do("Korean, and an hour later",
            []
            {
                vconf_set_str("db/menu_widget/language", "ko_KR.UTF-8");
                vconf_set_str("db/menu_widget/regionformat", "ko_KR.UTF-8");
                pelorn_clock_advance_ms(60 * 60 * 1000);
            })
        .Then(
            "language applied", [] {}, After(500));
    Locate(s, "unreachable in Korean")
        .WaitFor("last seen in Korean",
                 []
                 {
                     auto view = LocationScreen();
                     return view && view->IsLastSeen() && !ToastShown(kFailedToast) && PictureShown() &&
                            view->GetLastSeenBanner().GetAgeText() == "마지막 확인: 1시간 전";
                 })
        .Then(
            "drawn in Korean", [] {}, After(400))
        .ScreenshotWhenStill(Window, "location-last-seen-ko");
    s.Run({});
    ASSERT_EQ("", s.FailedStep()) << "age " << ageShown << ", then " << ageLater << "\n" << phone.Output();
    EXPECT_EQ(1u, server.LoggedUrls().size()) << "the last seen picture came from the data folder";
    EXPECT_EQ(1u, phone.CountPrinted("\"mgr_host_location_req\""));
}

TEST_F(LastSeenEndToEnd, WithTheMapServerGoneTheKeptPictureIsDrawnAndAFailedZoomKeepsIt)
{
    auto server = std::make_unique<PelornTest::MapServerProcess>();
    UseMapServer(*server);
    PhoneSimProcess phone({"--latitude", "40.7128", "--longitude", "-74.006"});
    ASSERT_TRUE(phone.Ready());
    Evas_Object* keptPicture = nullptr;
    std::string pictureDigest;
    AppScenario s(60000);
    Locate(s, "live")
        .WaitFor("live map", [&] { return PictureShown() && server->LoggedUrls().size() == 1; })
        .Then(
            "back", [] {}, BackTaken())
        .Do("the map server stops", [&] { server.reset(); });
    Locate(s, "offline")
        .WaitFor("the fix arrives but the map fails", [] { return ToastShown(kFailedToast); })
        .WaitFor("last seen from the data folder", [] { return LastSeenShown(0)() && PictureShown(); })
        .Then(
            "drawn", [] {}, After(400))
        .Do("the picture",
            [&]
            {
                keptPicture = LocationScreen()->GetMapPicture();
                pictureDigest = AppScenario::PictureDigest(Window());
                pelorn_clock_set_manual(TRUE);
            })
        .Then(
            "a detent, and the zoom request fails",
            []
            {
                Turn(true);
                pelorn_clock_advance_ms(NSPelorn::MobileLocationViewController::ZOOM_SETTLE_MS);
            },
            [] { return Zoom() && Zoom()->Wanted() == 16 && !Zoom()->InFlight(); })
        .Then(
            "the failure had its chance to draw", [] {}, After(300))
        .WaitFor("the kept picture stays",
                 [&]
                 {
                     return LocationScreen() && LocationScreen()->IsLastSeen() &&
                            LocationScreen()->GetMapPicture() == keptPicture && PictureShown() &&
                            AppScenario::PictureDigest(Window()) == pictureDigest;
                 });
    s.Run({});
    ASSERT_EQ("", s.FailedStep()) << phone.Output();
    EXPECT_EQ(2u, phone.CountPrinted("\"mgr_host_location_req\""));
}

TEST_F(LastSeenEndToEnd, TheBezelZoomsOneStepPerDetentUpToTheProvidersMaximumAndCoalesces)
{
    PelornTest::MapServerProcess server;
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
    std::string zoomsBeforeRest;
    AppScenario s(60000);
    Locate(s, "live")
        .WaitFor("live map", [&]
                 { return PictureShown() && AddressShown() == kAddress && server.LoggedUrls().size() == 1; })
        .Do("time by hand", [] { pelorn_clock_set_manual(TRUE); })
        .Then(
            "one detent",
            []
            {
                Turn(true);
                pelorn_clock_advance_ms(NSPelorn::MobileLocationViewController::ZOOM_SETTLE_MS);
            },
            urlsAndShown(2, 17))
        .Then(
            "another",
            []
            {
                Turn(true);
                pelorn_clock_advance_ms(NSPelorn::MobileLocationViewController::ZOOM_SETTLE_MS);
            },
            urlsAndShown(3, 18))
        // Three quick detents while nothing rests: one request, for where the bezel stopped.
        .Then(
            "a fast turn",
            [&]
            {
                Turn(true);
                pelorn_clock_advance_ms(100);
                Turn(true);
                pelorn_clock_advance_ms(100);
                Turn(false);
                pelorn_clock_advance_ms(100);
                Turn(true);
                zoomsBeforeRest = Zooms(server);
                pelorn_clock_advance_ms(NSPelorn::MobileLocationViewController::ZOOM_SETTLE_MS);
            },
            urlsAndShown(4, 20))
        .Then(
            "past the maximum",
            []
            {
                Turn(true);
                Turn(true);
                pelorn_clock_advance_ms(NSPelorn::MobileLocationViewController::ZOOM_SETTLE_MS);
            },
            After(300))
        // Turned on while a picture travels: the next one waits for it, then goes once.
        .Then(
            "turns while a picture travels",
            []
            {
                Turn(false);
                pelorn_clock_advance_ms(NSPelorn::MobileLocationViewController::ZOOM_SETTLE_MS);
                Turn(false);
                Turn(false);
                pelorn_clock_advance_ms(NSPelorn::MobileLocationViewController::ZOOM_SETTLE_MS);
            },
            urlsAndShown(6, 17))
        .Then(
            "zoomed map drawn", [] {}, After(400))
        .ScreenshotWhenStill(Window, "location-map-zoomed");
    s.Run({});
    ASSERT_EQ("", s.FailedStep()) << Zooms(server) << "\n" << phone.Output();
    EXPECT_EQ("16 17 18", zoomsBeforeRest) << "nothing went while the bezel moved";
    EXPECT_EQ("16 17 18 20 19 17", Zooms(server));
}

namespace
{
const std::string kParis = "Place du Parvis Notre-Dame Paris France";

/* A position stored by an earlier fix, that many seconds ago. */
void StoreEarlierFix(time_t secondsAgo)
{
    preference_set_double("WORZ_PREF_DOUBLE_LAST_LOCATION_LAT", 48.8566);
    preference_set_double("WORZ_PREF_DOUBLE_LAST_LOCATION_LON", 2.3522);
    preference_set_string("WORZ_PREF_STRING_LAST_LOCATION_ADDRESS", kParis.c_str());
    preference_set_int("WORZ_PREF_STRING_LAST_LOCATION_TIME", (int)(time(NULL) - secondsAgo));
}

/* Paris, last seen, with the picture fetched for it (none was kept) and this age. */
std::function<bool()> ParisShown(const PelornTest::MapServerProcess& server, int minutes)
{
    return [&server, minutes]
    {
        auto view = LocationScreen();
        return view && view->IsLastSeen() && LocationScreenInPlace() && AddressShown() == kParis && PictureShown() &&
               AgeIsAbout(view->GetLastSeenBanner().GetAgeText(), minutes) &&
               server.LoggedUrls().size() == 1 &&
               server.LoggedUrls()[0].find("&ctr=48.856600,2.352200&z=16") != std::string::npos;
    };
}
} // namespace

namespace
{
std::string Plain(const std::string& markup)
{
    char* plain = elm_entry_markup_to_utf8(markup.c_str());
    std::string text = plain ? plain : "";
    free(plain);
    return text;
}

Evas_Object* AddressTextblock()
{
    auto view = LocationScreen();
    return view ? const_cast<Evas_Object*>(edje_object_part_object_get(elm_layout_edje_get(view->GetOverlayLayout()),
                                                                       "mobileLocationText"))
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
    "<color=#f00>RED</color> Street", "<b>Bold</b> Avenue", "<font_size=200>BIG</font_size>",
    "<item size=300x300 vsize=full href=file:///etc/passwd></item>Item Road",
    Repeated("<br/>", 200) + "after the breaks", "<font_size=60><color=#0f0>open tags",
    "x < y Street, Springfield, Freedonia", "Smith &amp; Sons, 3 &lt;Main&gt; St &#x41;&nbsp;",
    "WDS_ORZ_NPBODY_ADDRESS_IS_UNAVAILABLE", "</textblock></font></color><ps/><tab/>",
    "<a href=x>link</a> 'single' \"double\"", "<ellipsis=1.0><wrap=none><align=left>format tags",
    "Ünïcödé 서울 <u>under</u> ％＜＞", Repeated("Harbour Boulevard, ", 120) + "THE END",
};
} // namespace

/* The phone's address, city and country were drawn as markup: a colour tag
 * coloured the overlay, a size tag or a run of line breaks blanked it, a "<"
 * in a street name cut off the rest, and a text equal to one of our catalogue
 * ids showed our translation. Stored as the last address, they did the same on
 * every last-seen screen. And a missing time read as 1 January 1970. */
TEST_F(LastSeenEndToEnd, OutsideTextsShowAsTheyStandAndAMissingTimeIsNoDate)
{
    PelornTest::MapServerProcess server;
    UseMapServer(server);
    const std::string address = "<font_size=200>BIG</font_size> x < y &amp; <color=#f00>RED";
    PhoneSimProcess phone({"--address", address, "--city", "<b>Spring\nfield</b>", "--country",
                           "WDS_ORZ_NPBODY_ADDRESS_IS_UNAVAILABLE"});
    ASSERT_TRUE(phone.Ready());
    const std::string live = address + " <b>Spring field</b> WDS_ORZ_NPBODY_ADDRESS_IS_UNAVAILABLE";
    std::string stored;
    std::vector<std::string> wrong;
    std::vector<PelornTest::TextLine> longLines;
    PelornTest::TextLine band;
    AppScenario s(120000);
    Locate(s, "live")
        .WaitFor("the live map with the phone's text as it stands",
                 [&] { return PictureShown() && Plain(AddressShown()) == live; })
        .ScreenshotWhenStill(Window, "location-hostile-address")
        .Do("stored", [&] { stored = NSORZCommon::PreferenceUtil::GetLastLocationAddress(); })
        .Then(
            "back", [] {}, BackTaken())
        .Then(
            "the phone goes away", [&] { phone.Terminate(); },
            [] { return !NSPelorn::PelornMain::CheckConnectionAvailable(); })
        .Do("and the time is lost", [] { preference_remove("WORZ_PREF_STRING_LAST_LOCATION_TIME"); });
    Locate(s, "unreachable")
        .WaitFor("last seen, the time unknown",
                 [&]
                 {
                     auto view = LocationScreen();
                     return view && view->IsLastSeen() && LocationScreenInPlace() && !ToastShown(kFailedToast) &&
                            Plain(AddressShown()) == live &&
                            view->GetLastSeenBanner().GetAgeText() == "Last seen: time unknown";
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
                     return !longLines.empty() && LocationScreen()->IsLastSeen();
                 })
        .ScreenshotWhenStill(Window, "location-endless-address");
    s.Run({});
    ASSERT_EQ("", s.FailedStep()) << phone.Output();
    EXPECT_EQ(live, stored);
    for (const std::string& failure : wrong)
        ADD_FAILURE() << failure;
    // The endless address: whole lines on the disc, inside the band, the last one ending in an ellipsis.
    EXPECT_LE(PelornTest::PixelsOutsideDisc(longLines), 0.0) << PelornTest::Describe(longLines);
    ASSERT_FALSE(longLines.empty());
    EXPECT_LE(longLines.back().y + longLines.back().h, band.y + band.h) << PelornTest::Describe(longLines);
}

/* A phone that is there but never answers (or has left the link) kept the
 * wearer on "Connecting to phone..." with no end in sight. */
TEST_F(LastSeenEndToEnd, ASilentPhoneIsGivenUpAfterFifteenSecondsAndADetachedOneAtOnce)
{
    StoreEarlierFix(30 * 60);
    PelornTest::MapServerProcess server;
    UseMapServer(server);
    PhoneSimProcess phone({"--never-answer"});
    ASSERT_TRUE(phone.Ready());
    pelorn_clock_set_manual(TRUE);
    bool waitingAt14999 = false;
    auto storedPositionShown = []
    {
        auto view = LocationScreen();
        return view && view->IsLastSeen() && LocationScreenInPlace() && AddressShown() == kParis && PictureShown() &&
               !ToastShown(kFailedToast) &&
               !view->GetBasicPopup((int)NSPelorn::ORZBasicPopupType::ORZ_POPUP_TYPE_CONNECTING_TO_PHONE);
    };
    AppScenario s(60000);
    s.Then(
        "resume timer", [] { pelorn_clock_advance_ms(1000); }, FindingScreenIdle);
    Locate(s, "silent")
        .WaitFor("asked", [&] { return phone.CountPrinted("\"mgr_location_setting_get_req\"") == 1; })
        .Do("14.999 s pass",
            [&]
            {
                // Timers due fire inside the advance: the state right after it is the verdict.
                pelorn_clock_advance_ms(14999);
                waitingAt14999 = LocationScreen() && !LocationScreen()->IsLastSeen() && !ToastShown(kFailedToast);
            })
        .Then(
            "the 15th second", [] { pelorn_clock_advance_ms(1); }, storedPositionShown)
        .Then(
            "back", [] {}, BackTaken());
    Locate(s, "detached")
        .WaitFor("asked again", [&] { return phone.CountPrinted("\"mgr_location_setting_get_req\"") == 2; })
        .Then(
            "the phone detaches", [&] { phone.Command("detach"); }, storedPositionShown);
    s.Run({});
    ASSERT_EQ("", s.FailedStep()) << phone.Output();
    EXPECT_TRUE(waitingAt14999);
    EXPECT_EQ(0u, phone.CountPrinted("\"mgr_host_location_req\""));
}

/* A phone seen again within 10 m of where it was stored kept the first
 * sighting's time: "Last seen 2 h ago" for a phone seen minutes before. */
TEST_F(LastSeenEndToEnd, ASightingWithinTenMetresRenewsTheAgeButKeepsTheStoredPlace)
{
    StoreEarlierFix(2 * 60 * 60);
    PelornTest::MapServerProcess server;
    UseMapServer(server);
    PhoneSimProcess phone({"--latitude", "48.85662", "--longitude", "2.3522"}); // 2 m from the stored fix
    ASSERT_TRUE(phone.Ready());
    pelorn_clock_set_manual(TRUE);
    std::string age;
    AppScenario s(60000);
    s.Then(
        "resume timer", [] { pelorn_clock_advance_ms(1000); }, FindingScreenIdle);
    Locate(s, "live")
        .WaitFor("live map", [] { return PictureShown() && AddressShown() == kAddress; })
        .Then(
            "back", [] {}, BackTaken())
        .Then(
            "the phone goes away", [&] { phone.Terminate(); },
            [] { return !NSPelorn::PelornMain::CheckConnectionAvailable(); })
        .Do("12 minutes pass", [] { pelorn_clock_advance_ms(12 * 60 * 1000); });
    Locate(s, "gone").WaitFor("seen 12 minutes ago, at the stored place",
                              [&]
                              {
                                  auto view = LocationScreen();
                                  age = view ? view->GetLastSeenBanner().GetAgeText() : "";
                                  return view && view->IsLastSeen() && !ToastShown(kFailedToast) &&
                                         AddressShown() == kParis && AgeIsAbout(age, 12);
                              });
    s.Run({});
    ASSERT_EQ("", s.FailedStep()) << "age shown: " << age << "\n" << phone.Output();
    EXPECT_NEAR(48.8566, NSORZCommon::PreferenceUtil::GetLastLocationLat(), 1e-9);
}

TEST_F(LastSeenEndToEnd, ADeclinedLocationPromptEndsInTheToastThenTheStoredPosition)
{
    StoreEarlierFix(5 * 60);
    PelornTest::MapServerProcess server;
    UseMapServer(server);
    PhoneSimProcess phone({"--location-off", "--remote"});
    ASSERT_TRUE(phone.Ready());
    AppScenario s(60000);
    Locate(s, "locate")
        .WaitFor("turn-on prompt",
                 []
                 {
                     auto view = LocationScreen();
                     auto prompt =
                         view ? view->GetBasicPopup(
                                    (int)NSPelorn::ORZBasicPopupType::ORZ_POPUP_TYPE_TURN_ON_LOCATION)
                              : nullptr;
                     return prompt && prompt->GetPopup() && evas_object_visible_get(prompt->GetPopup()) &&
                            LocationScreenInPlace();
                 })
        .TapWhenReady(
            "decline",
            []
            {
                auto view = LocationScreen();
                auto prompt = view ? view->GetBasicPopup(
                                         (int)NSPelorn::ORZBasicPopupType::ORZ_POPUP_TYPE_TURN_ON_LOCATION)
                                   : nullptr;
                return prompt && prompt->GetPopup()
                           ? elm_object_part_content_get(prompt->GetPopup(), "button1")
                           : nullptr;
            },
            []
            {
                auto view = LocationScreen();
                return ToastShown((int)ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_LOCATION_NOT_AVAILABLE) ||
                       (view && view->IsLastSeen());
            })
        .WaitFor("then the stored position", ParisShown(server, 5));
    s.Run({});
    ASSERT_EQ("", s.FailedStep()) << phone.Output();
    EXPECT_EQ(0u, phone.CountPrinted("\"mgr_location_setting_set_req\""));
    EXPECT_EQ(0u, phone.CountPrinted("\"mgr_host_location_req\""));
}

namespace
{
/* A PNG of that size, all one colour: small on the wire, huge once decoded. */
std::string PlainPng(int width, int height)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.2, 0.4, 0.6);
    cairo_paint(cr);
    cairo_destroy(cr);
    std::string png;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char* data, unsigned int length)
        {
            static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(surface);
    return png;
}
} // namespace

TEST_F(LastSeenEndToEnd, AZoomAnswerThatIsNoUsablePictureKeepsTheShownMap)
{
    // Each kind of answer comes from its own map-server; the proxy (and the
    // authority to trust) is switched between detents.
    vconf_set_str("db/csc/country_iso", "JP");
    const std::string page = mDirs.StateDir() + "/not-a-map.html";
    const std::string huge = mDirs.StateDir() + "/huge.png";
    const std::string hugePng = PlainPng(4000, 4000);
    ASSERT_TRUE(g_file_set_contents(page.c_str(), "<html>not a map</html>", -1, nullptr));
    ASSERT_TRUE(g_file_set_contents(huge.c_str(), hugePng.data(), (gssize)hugePng.size(), nullptr));
    PelornTest::MapServerProcess good;
    PelornTest::MapServerProcess pageServer({"--picture", page});
    PelornTest::MapServerProcess hugeServer({"--picture", huge});
    ASSERT_TRUE(pageServer.IsRunning());
    ASSERT_TRUE(hugeServer.IsRunning());
    UseMapServer(good);
    PhoneSimProcess phone({"--latitude", "35.6812", "--longitude", "139.7671"});
    ASSERT_TRUE(phone.Ready());
    Evas_Object* first = nullptr;
    auto detentThrough = [](const PelornTest::MapServerProcess& server)
    {
        return [&server]
        {
            vconf_set_str("memory/dnet/proxy", server.ProxyAddress().c_str());
            g_setenv("PELORN_CA_FILE", server.CaFile().c_str(), TRUE);
            Turn(true);
            pelorn_clock_advance_ms(NSPelorn::MobileLocationViewController::ZOOM_SETTLE_MS);
        };
    };
    auto answeredBy = [](const PelornTest::MapServerProcess& server, size_t n)
    { return [&server, n] { return server.LoggedUrls().size() == n && Zoom() && !Zoom()->InFlight(); }; };
    AppScenario s(60000);
    Locate(s, "live")
        .WaitFor("live map", [] { return PictureShown() && AddressShown() == kAddress; })
        .Do("the picture",
            [&]
            {
                first = LocationScreen()->GetMapPicture();
                pelorn_clock_set_manual(TRUE);
            })
        .Then("a detent answered by a page", detentThrough(pageServer), answeredBy(pageServer, 1))
        .WaitFor(
            "the map stays", [&]
            { return LocationScreen()->GetMapPicture() == first && PictureShown() && Zoom()->Shown() == 16; })
        .Then("a detent answered by a picture too large", detentThrough(hugeServer), answeredBy(hugeServer, 1))
        .WaitFor(
            "the map stays again", [&]
            { return LocationScreen()->GetMapPicture() == first && PictureShown() && Zoom()->Shown() == 16; })
        .Then("a detent answered by a map", detentThrough(good), answeredBy(good, 2))
        .WaitFor("the zoomed map replaces it",
                 [&] {
                     return LocationScreen()->GetMapPicture() != first && PictureShown() &&
                            Zoom()->Shown() == 17;
                 });
    s.Run({});
    ASSERT_EQ("", s.FailedStep()) << phone.Output();
    for (const PelornTest::MapServerProcess* server : {&pageServer, &hugeServer})
        for (const std::string& url : server->LoggedUrls())
            EXPECT_NE(std::string::npos, url.find("&zoom=17&")) << url;
    const std::vector<std::string> goodUrls = good.LoggedUrls();
    ASSERT_EQ(2u, goodUrls.size());
    EXPECT_NE(std::string::npos, goodUrls[0].find("&zoom=16&")) << goodUrls[0];
    EXPECT_NE(std::string::npos, goodUrls[1].find("&zoom=17&")) << goodUrls[1];
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

void MoveWatch(PelornTest::DBusMock& geoclue, double lat, double lon)
{
    geoclue.Tell(GEOCLUE_MANAGER, "SetLocation", g_variant_new("(ddd)", lat, lon, 8.0));
}

void TurnWatch(PelornTest::DBusMock& sensors, double heading)
{
    sensors.Tell(SENSORS, "SetInternalProperty",
                 g_variant_new("(ssv)", "net.hadess.SensorProxy.Compass", "CompassHeading",
                               g_variant_new_double(heading)));
}

bool Recorded(int64_t sequence)
{
    NSORZCommon::LostContactRecord record;
    return NSORZCommon::LostContactStore().Load(record) && record.sequence == sequence && record.hasFix &&
           record.accurate && record.latitude == kSpotLat && record.longitude == kSpotLon;
}
} // namespace

TEST_F(LastSeenEndToEnd, DetachedOrKilledThePhoneIsRecordedWhereLostAndTheCardPointsTheWayBack)
{
    vconf_set_str("db/menu_widget/regionformat", "en_AU.UTF-8"); // metres
    PelornTest::PrivateSystemBus bus;
    ASSERT_TRUE(bus.IsRunning());
    PelornTest::DBusMock geoclue(bus.Address(), "org.freedesktop.GeoClue2",
                                 {"--template", PelornTest::DBusMock::GeoClueTemplate()});
    ASSERT_TRUE(geoclue.Ready()) << geoclue.LastError();
    PelornTest::DBusMock sensors(
        bus.Address(), "net.hadess.SensorProxy",
        {"--template", "iio-sensors-proxy", "--parameters", "{\"has_compass\": true}"});
    ASSERT_TRUE(sensors.Ready()) << sensors.LastError();
    MoveWatch(geoclue, kSpotLat, kSpotLon);
    TurnWatch(sensors, 0.0);
    // Its 10 s and 60 s pass fifty times faster; the verdicts wait for the record.
    PelornTest::DesktopBridgeProcess bridge(50);
    ASSERT_TRUE(bridge.Ready());
    PelornTest::MapServerProcess server;
    UseMapServer(server);
    PhoneSimProcess phone({"--latitude", "37.5675", "--longitude", "126.9790"});
    ASSERT_TRUE(phone.Ready());

    const double farLat = kSpotLat - 0.00223, farLon = kSpotLon - 0.0028;
    const double bearing = NSORZCommon::GeoMath::InitialBearingDeg(farLat, farLon, kSpotLat, kSpotLon);
    // What the card said and where its arrow pointed, step by step.
    std::vector<std::string> walk;
    std::vector<double> arrows;
    std::string spoken;
    size_t stops = 0, starts = 0;
    auto note = [&]
    {
        walk.push_back(Card()->GetWayText());
        arrows.push_back(Card()->GetArrowDeg());
    };
    auto arrowAt = [](double deg)
    {
        return [deg]
        { return Card() && std::fabs(NSORZCommon::GeoMath::TurnDeg(Card()->GetArrowDeg(), deg)) < 1; };
    };
    AppScenario s(120000);
    pelorn_log_capture_begin();
    Locate(s, "live")
        .WaitFor("live map", [&] { return PictureShown() && server.LoggedUrls().size() == 1; })
        .Then(
            "back", [] {}, BackTaken())
        // The app lets its own connection go while paused; the phone is still there.
        .Then(
            "paused", [] { elm_win_lower(Window()); }, [] { return pelorn_log_captured("", "> AppPause"); })
        .Then(
            "resumed",
            []
            {
                evas_object_hide(Window());
                evas_object_show(Window());
            },
            [] { return FindingScreenIdle() && NSPelorn::PelornMain::CheckConnectionAvailable(); })
        .Then(
            "detached", [&] { phone.Command("detach"); }, [] { return Recorded(1); })
        .Then(
            "attached again", [&] { phone.Command("attach"); },
            [] { return NSPelorn::PelornMain::CheckConnectionAvailable(); })
        .Then(
            "killed", [&] { phone.Terminate(); }, [] { return Recorded(2); });
    Locate(s, "unreachable")
        .WaitFor("the card", [] { return Card() && PictureShown(); })
        .Then(
            "350 m away", [&] { MoveWatch(geoclue, farLat, farLon); }, CardSays("350 m NE"))
        .WaitFor("pointing north-east with the watch facing north", arrowAt(bearing))
        .Do("the walk so far", note)
        .Then(
            "walking closer", [&] { MoveWatch(geoclue, kSpotLat - 0.001, kSpotLon - 0.00125); },
            CardSays("150 m NE"))
        .Do("the walk so far", note)
        .Then(
            "the dot", [] {}, [] { int x, y; Card()->GetWatchDot(x, y); return x > 0 && y > 0; })
        .ScreenshotWhenStill(Window, "lost-contact")
        .Then(
            "round to due south of it", [&] { MoveWatch(geoclue, kSpotLat - 0.0009, kSpotLon); },
            CardSays("100 m N"))
        .Do("the walk so far", note)
        .Then(
            "the wearer turns east", [&] { TurnWatch(sensors, 90.0); }, arrowAt(270.0))
        .Do("the walk so far", note)
        .ScreenshotWhenStill(Window, "which-way")
        .Do("said as one sentence", [&] { spoken = Card()->GetSpokenText(); })
        // Hidden, the watch asks its location service nothing; back, it asks again.
        .Then(
            "paused with the card shown",
            [&]
            {
                stops = geoclue.CallsOf(GEOCLUE_CLIENT, "Stop").size();
                elm_win_lower(Window());
            },
            [&] { return geoclue.CallsOf(GEOCLUE_CLIENT, "Stop").size() > stops; })
        .Then(
            "resumed",
            [&]
            {
                starts = geoclue.CallsOf(GEOCLUE_CLIENT, "Start").size();
                evas_object_hide(Window());
                evas_object_show(Window());
            },
            [&] { return geoclue.CallsOf(GEOCLUE_CLIENT, "Start").size() > starts && Card(); })
        .Then(
            "a tap: where the phone reported", [] { AppScenario::Tap(Window(), 200, 167); },
            [] { return Card() && Card()->GetTitleText() == "Phone last reported"; })
        .Then(
            "a tap: where contact was lost", [] { AppScenario::Tap(Window(), 200, 167); },
            [] { return Card() && Card()->GetTitleText().find("Lost contact ") == 0; })
        .Then(
            "at the spot", [&] { MoveWatch(geoclue, kSpotLat + 0.00005, kSpotLon); },
            CardSays("You are here: ring the phone when it is back in range"))
        .ScreenshotWhenStill(Window, "lost-contact-here")
        .Then(
            "back", [] {}, BackTaken())
        .Do("Korean", [] {
            vconf_set_str("db/menu_widget/language", "ko_KR.UTF-8");
            vconf_set_str("db/menu_widget/regionformat", "ko_KR.UTF-8");
        })
        .Then(
            "language applied", [] {}, After(500))
        .Do("away again, facing north",
            [&]
            {
                MoveWatch(geoclue, kSpotLat - 0.001, kSpotLon - 0.00125);
                TurnWatch(sensors, 0.0);
            });
    Locate(s, "unreachable in Korean")
        .WaitFor("the card in Korean", [&] { return CardSays("150 m 북동")() && arrowAt(bearing)(); })
        .ScreenshotWhenStill(Window, "lost-contact-ko")
        .Then(
            "facing east", [&] { TurnWatch(sensors, 90.0); }, arrowAt(bearing - 90.0))
        .ScreenshotWhenStill(Window, "which-way-ko");
    s.Run({});
    pelorn_log_capture_end();
    ASSERT_EQ("", s.FailedStep()) << (Card() ? Card()->GetWayText() : "no card");
    NSORZCommon::LostContactRecord record;
    ASSERT_TRUE(NSORZCommon::LostContactStore().Load(record));
    EXPECT_EQ(2, record.sequence) << "the pause was no loss";
    ASSERT_EQ(4u, walk.size());
    EXPECT_EQ((std::vector<std::string>{"350 m NE", "150 m NE", "100 m N", "100 m N"}), walk)
        << "the distance falls as the watch walks back";
    EXPECT_NEAR(bearing, arrows[0], 1.0);
    EXPECT_NEAR(bearing, arrows[1], 1.0);
    EXPECT_NEAR(0.0, NSORZCommon::GeoMath::TurnDeg(0.0, arrows[2]), 1.0) << "walked round: it turns";
    EXPECT_NEAR(270.0, arrows[3], 1.0) << "the watch turned right, the arrow left";
    EXPECT_EQ(0u, spoken.find("Lost contact at ")) << spoken;
    EXPECT_NE(std::string::npos, spoken.find(", 100 metres north")) << spoken;
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
        .Then(
            "a tap goes to the ring button", [] { AppScenario::Tap(Window(), 200, 167); }, FindingScreenIdle);
    s.Run({});
    int lines = 0;
    for (const std::string& line : pelorn_log_captured_lines())
        lines += line.find("no position") != std::string::npos;
    pelorn_log_capture_end();
    ASSERT_EQ("", s.FailedStep());
    EXPECT_EQ(1, lines);
}

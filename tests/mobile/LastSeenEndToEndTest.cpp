#include "AppScenario.h"
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

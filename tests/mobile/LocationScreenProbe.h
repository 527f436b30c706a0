#ifndef PELORN_TESTS_LOCATION_SCREEN_PROBE_H
#define PELORN_TESTS_LOCATION_SCREEN_PROBE_H

#include "AppScenario.h"
#include "MapServerProcess.h"
#include "MobileLocationView.h"
#include "PelornMain.h"
#include "PelornView.h"
#include "PopupTypes.h"
#include "TestEnvironment.h"
#include "ViewBasicElements.h"
#include "ViewController.h"
#include "ViewManager.h"
#include "app_preference.h"
#include "pelorn_clock.h"
#include "vconf.h"

#include <Elementary.h>
#include <efl_extension.h>
#include <gio/gio.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <memory>
#include <string.h>
#include <string>

/* What the in-process app's screens show, for the Locate and last-seen
 * scenarios that wait on them, and the steps they share. */
namespace LocationScreenProbe
{
using PelornTest::AppScenario;

const std::string kAddress = "1 Main Street, Springfield, Freedonia"; // phone-sim's own
constexpr int kTurnOnPrompt = (int)NSPelorn::ORZBasicPopupType::ORZ_POPUP_TYPE_TURN_ON_LOCATION;
constexpr int kConnecting = (int)NSPelorn::ORZBasicPopupType::ORZ_POPUP_TYPE_CONNECTING_TO_PHONE;
constexpr int kFailedToast = (int)NSPelorn::ORZToastPopupType::ORZ_TOAST_POPUP_TYPE_FAILED_TRY_AGAIN_LATER;

inline Evas_Object* Window()
{
    return NSORZUiCommon::ViewBasicElements::GetWindow();
}

inline std::shared_ptr<NSORZUiCommon::ViewController> TopController()
{
    auto viewManager = NSPelorn::PelornMain::GetInstance()->GetViewManager();
    return viewManager ? viewManager->Top() : nullptr;
}

inline std::shared_ptr<NSORZUiCommon::View> TopView()
{
    auto controller = TopController();
    return controller ? controller->GetView() : nullptr;
}

inline std::shared_ptr<NSPelorn::MobileLocationView> LocationScreen()
{
    return std::dynamic_pointer_cast<NSPelorn::MobileLocationView>(TopView());
}

/* The finding screen on top and in place, idle, its button ready. */
inline bool FindingScreenIdle()
{
    auto view = std::dynamic_pointer_cast<NSPelorn::PelornView>(TopView());
    if (!view || !view->IsNormalState() || !view->GetButton() || elm_object_disabled_get(view->GetButton()) ||
        !PelornTest::AppScenario::AcceptsEvents(view->GetButton()))
        return false;
    Evas_Coord x = -1, y = -1, w = 0, h = 0;
    evas_object_geometry_get(view->GetMoreOption(), &x, &y, &w, &h);
    return x == 0 && y == 0 && w == 360 && h == 360;
}

inline bool PopupShown(int type)
{
    auto view = LocationScreen();
    auto popup = view ? view->GetBasicPopup(type) : nullptr;
    return popup && popup->GetPopup() && evas_object_visible_get(popup->GetPopup());
}

inline bool ToastShown(int type)
{
    auto view = LocationScreen();
    auto toast = view ? view->GetToastPopup(type) : nullptr;
    return toast && toast->GetPopup() && evas_object_visible_get(toast->GetPopup());
}

/* A decoded 360x360 picture in the map's place. */
inline bool PictureShown()
{
    auto view = LocationScreen();
    Evas_Object* image = view ? view->GetMapPicture() : nullptr;
    int w = 0, h = 0;
    if (image)
        evas_object_image_size_get(image, &w, &h);
    return image && w == 360 && h == 360 && evas_object_image_load_error_get(image) == EVAS_LOAD_ERROR_NONE;
}

/* The address on the overlay, empty while the overlay is not in place. */
inline std::string AddressShown()
{
    auto view = LocationScreen();
    if (!view || elm_object_part_content_get(view->GetLayout(), "mapContentOverlaySwallow") !=
                     view->GetOverlayLayout())
        return "";
    const char* text = elm_object_part_text_get(view->GetOverlayLayout(), "mobileLocationText");
    return text ? text : "";
}

/* The screen has slid in and fills the window. */
inline bool LocationScreenInPlace()
{
    auto view = LocationScreen();
    Evas_Coord x = -1, y = -1, w = 0, h = 0;
    if (view && view->GetLayout())
        evas_object_geometry_get(view->GetLayout(), &x, &y, &w, &h);
    return x == 0 && y == 0 && w == 360 && h == 360;
}

inline bool LastSeenOnScreen()
{
    return LocationScreen() && LocationScreen()->IsLastSeen();
}

inline bool Linked()
{
    return NSPelorn::PelornMain::CheckConnectionAvailable();
}

inline bool Unlinked()
{
    return !Linked();
}

/* A button of one of the location screen's popups, looked up when the tap comes. */
inline std::function<Evas_Object*()> PopupButton(int type, const char* part)
{
    return [type, part]() -> Evas_Object*
    {
        auto view = LocationScreen();
        auto popup = view ? view->GetBasicPopup(type) : nullptr;
        return popup && popup->GetPopup() ? elm_object_part_content_get(popup->GetPopup(), part) : nullptr;
    };
}

/* The HTTP library is mapped into this process. */
inline bool HttpLibraryLoaded()
{
    gchar* maps = nullptr;
    const bool loaded = g_file_get_contents("/proc/self/maps", &maps, nullptr, nullptr) && strstr(maps, "libcurl");
    g_free(maps);
    return loaded;
}

/* From the idle finding screen: the more-option cue, then the Locate item in the middle of the menu.
 * The open menu has the map fetch's library loaded off the main loop before Locate is tapped. */
inline AppScenario& Locate(AppScenario& s, const std::string& name)
{
    return s.WaitFor(name + ": finding screen idle", FindingScreenIdle)
        .Then(
            name + ": open the menu", [] { AppScenario::Tap(Window(), 352, 180); },
            [] { return eext_more_option_opened_get(TopView()->GetMoreOption()); })
        .WaitFor(name + ": the HTTP library loads while the menu is open", HttpLibraryLoaded)
        .TapWhenReady(
            name + ": tap Locate",
            [] {
                auto top = TopView();
                return top ? AppScenario::MenuCentre(top->GetMoreOption()) : nullptr;
            },
            [] { return LocationScreen() != nullptr; });
}

/* Back to the finding screen: back is ignored while the screen still slides in, so it is pressed
 * again until it takes. */
inline std::function<bool()> BackTaken()
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

/* Maps come over verified HTTPS through this server: its own authority is trusted. */
inline void UseMapServer(const PelornTest::MapServerProcess& server)
{
    ASSERT_TRUE(server.IsRunning());
    vconf_set_str("memory/dnet/proxy", server.ProxyAddress().c_str());
    g_setenv("PELORN_CA_FILE", server.CaFile().c_str(), TRUE);
}

/* A watch past its first run, on a network, in the US and in English. */
class LocationEndToEnd : public ::testing::Test
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

    PelornTest::ScopedTestDirs mDirs;
};

inline std::string BigEndian32(unsigned int value)
{
    return std::string{(char)(value >> 24), (char)(value >> 16), (char)(value >> 8), (char)value};
}

inline std::string PngChunk(const std::string& type, const std::string& data)
{
    const std::string typed = type + data;
    unsigned int crc = 0xffffffffu;
    for (unsigned char byte : typed)
    {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return BigEndian32((unsigned int)data.size()) + typed + BigEndian32(~crc);
}

/* A valid, small PNG (one-bit grey, all black) declaring width x height pixels:
 * a decoder would allocate width * height * 4 bytes for it. */
inline std::string HugeDeclaredPng(unsigned int width, unsigned int height)
{
    const size_t rowBytes = 1 + (width + 7) / 8;
    const std::string raw(rowBytes * height, '\0'); // filter byte 0 and black pixels on every row
    // Zeros pack a thousandfold: one call fills far less than the room given.
    std::string packed(1 << 20, '\0');
    gsize read = 0, written = 0;
    GZlibCompressor* compressor = g_zlib_compressor_new(G_ZLIB_COMPRESSOR_FORMAT_ZLIB, 9);
    g_converter_convert(G_CONVERTER(compressor), raw.data(), raw.size(), &packed[0], packed.size(),
                        G_CONVERTER_INPUT_AT_END, &read, &written, nullptr);
    g_object_unref(compressor);
    packed.resize(written);
    const std::string header = BigEndian32(width) + BigEndian32(height) + std::string{1, 0, 0, 0, 0};
    return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + PngChunk("IDAT", packed) +
           PngChunk("IEND", "");
}
} // namespace LocationScreenProbe

#endif

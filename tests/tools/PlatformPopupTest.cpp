#include "TestEnvironment.h"
#include "app_control.h"

#include <cairo.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <string>
#include <unistd.h>

namespace
{
struct Reply
{
    bool arrived = false;
    std::string response; // the netly and Bluetooth popups' answer
};

void ReplyCb(app_control_h, app_control_h reply, app_control_result_e, void* data)
{
    static_cast<Reply*>(data)->arrived = true;
    static_cast<Reply*>(data)->response = PelornTest::ExtraOf(reply, "_WCPOPUP_RESP_");
}

/* One pixel of a picture as 0xRRGGBB. */
unsigned Rgb(cairo_surface_t* picture, int x, int y)
{
    const unsigned char* row =
        cairo_image_surface_get_data(picture) + y * cairo_image_surface_get_stride(picture);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xffffff;
}

/* The theme's colour, give or take the rounding of its image masks. */
::testing::AssertionResult Near(const char*, const char*, unsigned expected, unsigned actual)
{
    for (int shift = 0; shift < 24; shift += 8)
    {
        const int a = (expected >> shift) & 0xff, b = (actual >> shift) & 0xff;
        if (a - b > 3 || b - a > 3)
            return ::testing::AssertionFailure()
                   << std::hex << "expected #" << expected << ", drew #" << actual;
    }
    return ::testing::AssertionSuccess();
}

const unsigned kScreen = 0x000000; // outside the disc
const unsigned kPopup = 0x121418;  // the popup's disc
const unsigned kButton = 0x2e323a; // a button of the round theme

/* Each platform popup program, launched as the application launches it,
 * pictures itself once its question shows and answers after a while. */
class PlatformPopup : public ::testing::Test
{
protected:
    /* Launches appId, waits for its answer, and opens the picture it made. */
    cairo_surface_t* Picture(const std::string& appId, const std::string& answerVariable,
                             const std::string& answer, std::string& response)
    {
        const std::string dir = PelornTest::BuiltProgram("test-artifacts");
        g_mkdir_with_parents(dir.c_str(), 0755);
        const std::string path = dir + "/platform-popup-" + appId.substr(appId.rfind('.') + 1) + ".png";
        g_unlink(path.c_str());
        g_setenv("PELORN_POPUP_SCREENSHOT", path.c_str(), TRUE);
        g_setenv(answerVariable.c_str(), answer.c_str(), TRUE);
        app_control_h ac = nullptr;
        app_control_create(&ac);
        app_control_set_app_id(ac, appId.c_str());
        Reply reply;
        EXPECT_EQ(APP_CONTROL_ERROR_NONE, app_control_send_launch_request(ac, ReplyCb, &reply));
        app_control_destroy(ac);
        EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return reply.arrived; }, 20000))
            << appId << " never answered";
        g_unsetenv(answerVariable.c_str());
        response = reply.response;
        cairo_surface_t* picture = cairo_image_surface_create_from_png(path.c_str());
        if (cairo_surface_status(picture) != CAIRO_STATUS_SUCCESS)
        {
            ADD_FAILURE() << appId << " made no picture at " << path;
            cairo_surface_destroy(picture);
            return nullptr;
        }
        cairo_surface_flush(picture);
        return picture;
    }

    PelornTest::ScopedTestDirs mDirs;
    PelornTest::ScopedEnv mApps{"PELORN_APPS_DIR", PelornTest::BuiltProgram("").c_str()};
    PelornTest::ScopedEnv mPicture{"PELORN_POPUP_SCREENSHOT", nullptr},
        mDelay{"PELORN_ANSWER_DELAY_MS", "1500"};
};
} // namespace

/* The round theme of the application's popups: a disc with the answers on its
 * edges (and, for a third answer, on the bottom arc), nothing in the corners. */
TEST_F(PlatformPopup, EachPopupIsARoundDiscWithItsAnswersOnTheEdges)
{
    struct Case
    {
        const char* appId;
        const char* variable;
        const char* answer;
        bool bottomButton;
    };
    const Case cases[] = {
        {"com.quenlor.netly-popup", "PELORN_ANSWER_COM_QUENLOR_NETLY_POPUP", "CANCEL", false},
        {"com.quenlor.bt-connection-popup", "PELORN_ANSWER_COM_QUENLOR_BT_CONNECTION_POPUP", "CANCEL", false},
        {"com.quenlor.permissionpopup", "PELORN_ANSWER_COM_QUENLOR_PERMISSIONPOPUP", "once", true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.appId);
        std::string response;
        cairo_surface_t* picture = Picture(c.appId, c.variable, c.answer, response);
        EXPECT_TRUE(c.bottomButton || response == "CANCEL")
            << response << ": the picture came before the answer, and the answer still came";
        if (!picture)
            continue;
        EXPECT_EQ(360, cairo_image_surface_get_width(picture));
        EXPECT_EQ(360, cairo_image_surface_get_height(picture));
        auto at = [&](int x, int y, unsigned colour, const char* where)
        { EXPECT_PRED_FORMAT2(Near, colour, Rgb(picture, x, y)) << where; };
        at(3, 3, kScreen, "a corner of the square screen");
        at(356, 356, kScreen, "a corner of the square screen");
        at(30, 120, kButton, "the declining answer on the left edge");
        at(330, 120, kButton, "the accepting answer on the right edge");
        at(100, 275, kPopup, "the disc between them");
        at(180, 350, c.bottomButton ? kButton : kPopup, "the bottom arc");
        cairo_surface_destroy(picture);
    }
}

/* A popup asks its caller: killed under the open popup, the caller takes it
 * along. Left running, the question stayed on the screen, owned by nobody,
 * and outlived the test that had started the caller. */
TEST_F(PlatformPopup, APopupEndsWithTheCallerThatWasKilledUnderIt)
{
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    const pid_t caller = fork();
    ASSERT_GE(caller, 0);
    if (caller == 0)
    {
        close(ready[0]);
        app_control_h ac = nullptr;
        app_control_create(&ac);
        app_control_set_app_id(ac, "com.quenlor.netly-popup");
        Reply reply;
        const bool launched = app_control_send_launch_request(ac, ReplyCb, &reply) == APP_CONTROL_ERROR_NONE;
        if (write(ready[1], launched ? "y" : "n", 1) != 1)
            _exit(1);
        for (;;) // the popup never answers (no answer variable): this caller waits until it is killed
            g_main_context_iteration(nullptr, TRUE);
    }
    close(ready[1]);
    PelornTest::HangRescue rescue([caller] { kill(caller, SIGKILL); });
    char launched = 0;
    ASSERT_EQ(1, read(ready[0], &launched, 1));
    close(ready[0]);
    ASSERT_EQ('y', launched);
    // The popup is the caller's child: found among its children once started.
    std::string popup;
    ASSERT_TRUE(PelornTest::RunGlibUntil(
        [&]
        {
            popup = PelornTest::ReadFile("/proc/" + std::to_string(caller) + "/task/" + std::to_string(caller) +
                                         "/children");
            return popup.find_first_of("0123456789") != std::string::npos;
        },
        20000));
    const std::string popupPid = popup.substr(0, popup.find(' '));
    ASSERT_TRUE(PelornTest::ReadFile("/proc/" + popupPid + "/cmdline").find("netly-popup") != std::string::npos);
    kill(caller, SIGKILL);
    ASSERT_TRUE(PelornTest::WaitChild(caller));
    rescue.End();
    EXPECT_TRUE(PelornTest::RunGlibUntil([&] { return kill(std::stoi(popupPid), 0) != 0; }, 20000))
        << "the popup " << popupPid << " outlived its caller";
    kill(std::stoi(popupPid), SIGKILL); // whatever the verdict, nothing is left behind
}

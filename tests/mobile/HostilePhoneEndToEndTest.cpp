/* The running application against a phone that sends what no phone should:
 * the real app in this process, the real phone-sim over the real socket. */

#include "AppScenario.h"
#include "FindingScreenProbe.h"
#include "PhoneSimProcess.h"
#include "TestEnvironment.h"
#include "app_preference.h"
#include "pelorn_accessory_wire.h"
#include "pelorn_clock.h"
#include "pelorn_log_capture.h"
#include "vconf.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>

using PelornTest::AppScenario;
using PelornTest::CountLogged;

using FindingScreenProbe::Button;
using FindingScreenProbe::Finding;
using FindingScreenProbe::Idle;

/* Deep nesting is refused on the same path (HostilePhoneTest shows it with the
 * link alone); here the ring itself has to live through what the phone sends. */
TEST(HostilePhoneEndToEnd, AStrayByteAndAFourGigabyteHeaderDuringARing)
{
    PelornTest::ScopedTestDirs dirs;
    vconf_set_bool("db/brig/user_agreement/orzzib", 1);
    preference_set_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", true);
    using PelornAccessoryWire::EncodeData;
    const std::string outOfStep = dirs.StateDir() + "/out-of-step";
    // A found report behind the bad header must not be taken for one: it would end the ring.
    const std::string found = R"({"msgId":"rux-founddevice-req","result":"0"})";
    std::ofstream(outOfStep, std::ios::binary)
        << std::string("\xFF\xFF\xFF\xFF", 4) + EncodeData(103, found.data(), found.size());
    const char* const START_TEXT = R"(recv {"msgId":"rux-startalert-req","time":"180"})";
    const char* const TIMED_OUT = "ProviderResponseTimer. no response from provider";

    // The phone rings but never answers, so the ring request's 180 s answer wait is what ends it.
    PelornTest::PhoneSimProcess phone({"--never-answer"});
    ASSERT_TRUE(phone.Ready());
    pelorn_clock_set_manual(TRUE);
    pelorn_log_capture_begin();
    bool timedOutEarly = true;
    AppScenario s;
    s.Do("resume timer", [] { pelorn_clock_advance_ms(1000); })
        .WaitFor("linked", [&] { return phone.Printed("service connection") && Idle(); })
        .TapWhenReady("tap start", Button, [&] { return phone.Printed(START_TEXT) && Finding(); })
        .Do("a stray byte", [&] { phone.Command("send x"); })
        .WaitFor("dropped", [] { return CountLogged("not the answer awaited (type 0)") == 1; })
        .WaitFor("still ringing on the same connection",
                 [&] { return Finding() && !phone.Printed("watch disconnected"); })
        .Do("a header claiming 4 GiB", [&] { phone.Command("send-raw " + outOfStep); })
        .WaitFor("the link closed",
                 [&]
                 {
                     return phone.Printed("watch disconnected: closed by the watch") &&
                            pelorn_log_captured("", "OnKivTerminationIndication(1)") && Finding();
                 })
        .Do("179.999 s after the ring request",
            [&]
            {
                pelorn_clock_advance_ms(179999);
                timedOutEarly = pelorn_log_captured("", TIMED_OUT);
            })
        .Do("the answer time-out", [] { pelorn_clock_advance_ms(1); })
        .WaitFor("fires", [&] { return pelorn_log_captured("", TIMED_OUT); })
        .WaitFor("back to normal", Idle)
        .TapWhenReady("tap start again: the link comes back", Button,
                      [&] {
                          return phone.CountPrinted("watch connected") == 2 &&
                                 phone.CountPrinted(START_TEXT) == 2 && Finding();
                      });
    s.Run({});
    const bool outOfStepLogged = pelorn_log_captured(
        "accessory", "accessory stream out of step: frame header claims 4294967295 bytes");
    const bool endedLogged = pelorn_log_captured("accessory", "peer's stream out of step; connection ended");
    const int errors = CountLogged("OnKivError");
    const int dropped = CountLogged("not the answer awaited (type 0)");
    pelorn_log_capture_end();
    EXPECT_EQ("", s.FailedStep());
    EXPECT_FALSE(timedOutEarly);
    EXPECT_TRUE(outOfStepLogged);
    EXPECT_TRUE(endedLogged);
    EXPECT_EQ(0, errors);
    EXPECT_EQ(1, dropped) << "what followed the bad header was read as a packet";
}

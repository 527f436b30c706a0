/* The running application against a phone that sends what no phone should:
 * the real app in this process, the real phone-sim over the real socket. */

#include "FindingScreenProbe.h"
#include "AppScenario.h"
#include "PelornMain.h"
#include "PelornView.h"
#include "PhoneSimProcess.h"
#include "TestEnvironment.h"
#include "ViewController.h"
#include "ViewManager.h"
#include "app_preference.h"
#include "pelorn_accessory_wire.h"
#include "pelorn_clock.h"
#include "pelorn_log_capture.h"
#include "vconf.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>

using PelornTest::CountLogged;
using PelornTest::AppScenario;
using PelornTest::PhoneSimProcess;

using FindingScreenProbe::Screen;
using FindingScreenProbe::Button;
using FindingScreenProbe::Idle;
using FindingScreenProbe::Finding;

namespace
{
const char* const START_TEXT = R"(recv {"msgId":"rux-startalert-req","time":"180"})";

class HostilePhoneEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        vconf_set_bool("db/brig/user_agreement/orzzib", 1);
        preference_set_boolean("WORZ_PREF_BOOL_PERMISSION_CHECKED", true);
        pelorn_log_capture_begin();
    }
    void TearDown() override { pelorn_log_capture_end(); }

    std::string WriteFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = mDirs.StateDir() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    PelornTest::ScopedTestDirs mDirs;
};
} // namespace

TEST_F(HostilePhoneEndToEnd, DeepNestingAStrayByteAndAFourGigabyteHeaderDuringARing)
{
    using PelornAccessoryWire::EncodeData;
    const std::string hundredThousand = std::string(100000, '[') + std::string(100000, ']');
    const std::string thirtyThousand = std::string(30000, '[') + std::string(30000, ']');
    const std::string deep = WriteFile("deep", EncodeData(103, hundredThousand.data(), hundredThousand.size()) +
                                                   EncodeData(103, thirtyThousand.data(), thirtyThousand.size()));
    const std::string outOfStep = WriteFile("out-of-step", std::string("\xFF\xFF\xFF\xFF", 4) + "{\"msgId\":1}");

    // The phone rings but never answers, so the ring request's 180 s answer wait is what ends it.
    PhoneSimProcess phone({"--never-answer"});
    ASSERT_TRUE(phone.Ready());
    pelorn_clock_set_manual(TRUE);
    bool timedOutEarly = true;
    AppScenario s;
    s.Then("resume timer", [] { pelorn_clock_advance_ms(1000); },
           [&] { return phone.Printed("service connection") && Idle(); })
        .TapWhenReady("tap start", Button, [&] { return phone.Printed(START_TEXT) && Finding(); })
        .Then("the phone sends 100 000 and 30 000 nested arrays", [&] { phone.Command("send-raw " + deep); },
              [] { return CountLogged("JSON text refused") == 2; })
        .Then("a stray byte", [&] { phone.Command("send x"); },
              [] { return CountLogged("not the answer awaited (type 0)") == 3; })
        .WaitFor("still ringing on the same connection",
                 [&] { return Finding() && !phone.Printed("watch disconnected"); })
        .Then("a header claiming 4 GiB", [&] { phone.Command("send-raw " + outOfStep); },
              [&] {
                  return phone.Printed("watch disconnected: closed by the watch") &&
                         pelorn_log_captured("", "OnKivTerminationIndication(1)");
              })
        .Do("179.999 s after the ring request", [&] {
            pelorn_clock_advance_ms(179999);
            timedOutEarly = pelorn_log_captured("", "ProviderResponseTimer. no response from provider");
        })
        .Then("the answer time-out fires", [] { pelorn_clock_advance_ms(1); },
              [] { return pelorn_log_captured("", "ProviderResponseTimer. no response from provider"); })
        .WaitFor("back to normal", Idle)
        .TapWhenReady("tap start again: the link comes back",
                      Button, [&] {
                          return phone.CountPrinted("watch connected") == 2 && phone.CountPrinted(START_TEXT) == 2 &&
                                 Finding();
                      });
    s.Run({});
    EXPECT_EQ("", s.FailedStep());
    EXPECT_FALSE(timedOutEarly);
    EXPECT_TRUE(pelorn_log_captured("accessory", "accessory stream out of step: frame header claims 4294967295 bytes"));
    EXPECT_EQ(0, CountLogged("OnKivError"));
}

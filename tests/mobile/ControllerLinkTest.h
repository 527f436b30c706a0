#ifndef PELORN_TESTS_CONTROLLER_LINK_TEST_H
#define PELORN_TESTS_CONTROLLER_LINK_TEST_H

#include "ConsumerController.h"
#include "ConsumerMessageType.h"
#include "Kiv.h"
#include "PhoneSimProcess.h"
#include "TestEnvironment.h"
#include "pelorn_clock.h"
#include "pelorn_log_capture.h"

#include <glib.h>
#include <gtest/gtest.h>

/* What phone-sim prints when the watch's ring request reaches it. */
const char* const START_TEXT = R"(recv {"msgId":"rux-startalert-req","time":"180"})";

/* A consumer controller in this test's folders, reporting to a Listener of
 * the test's choosing, with the log captured; each case ends with the link
 * torn down so the next one starts from nothing. */
template <typename Listener> class ControllerLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_setenv("PELORN_ACCESSORY_TIMEOUT_MS", "3000", TRUE);
        mController.SetConsumerEventListener(&mListener);
        pelorn_log_capture_begin();
    }

    void TearDown() override
    {
        mController.CloseConnection();
        // A close deferred by a pending answer: end the wait so the link is torn down for the next case.
        mController.SendMessage(NSPelorn::ORZ_SEND_MSG_TYPE_LOCATION_STOP_REQ);
        mController.CloseConnection();
        PelornTest::RunGlibFor(20);
        pelorn_log_capture_end();
        g_unsetenv("PELORN_ACCESSORY_TIMEOUT_MS");
        g_unsetenv("PELORN_ACCESSORY_SNDBUF");
    }

    bool LinkReady(int timeoutMs = 10000)
    {
        return PelornTest::RunGlibUntil([] { return NSPelorn::Kiv::GetInstance()->GetKivServiceHandleId() != 0; },
                                        timeoutMs);
    }

    /* The phone up and the service connection made to it. */
    bool Connected(const PelornTest::PhoneSimProcess& phone)
    {
        return phone.Ready() && mController.OpenConnection() && LinkReady();
    }

    /* On manual time, a ring request waiting for the answer a phone started
     * with --never-answer never gives, a location-setting request queued
     * behind it. */
    bool StartWaitingWithOneQueued(PelornTest::PhoneSimProcess& phone)
    {
        if (!Connected(phone))
            return false;
        pelorn_clock_set_manual(TRUE);
        mController.SendMessage(NSPelorn::ORZ_SEND_MSG_TYPE_START_REQ);
        mController.SendMessage(NSPelorn::ORZ_SEND_MSG_TYPE_LOCATION_SETTING_GET_REQ);
        return phone.WaitFor(START_TEXT);
    }

    PelornTest::ScopedTestDirs mDirs;
    Listener mListener;
    NSPelorn::ConsumerController mController;
};

#endif

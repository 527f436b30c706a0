#include "TestEnvironment.h"
#include "app_control.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <map>
#include <stdlib.h>

namespace
{
struct Reply
{
    bool arrived = false;
    app_control_result_e result = APP_CONTROL_RESULT_FAILED;
    std::string requestAppId;
    std::map<std::string, std::string> extras;
};

bool CollectExtraCb(app_control_h ac, const char* key, void* data)
{
    char* value = nullptr;
    if (app_control_get_extra_data(ac, key, &value) == APP_CONTROL_ERROR_NONE)
        (*static_cast<std::map<std::string, std::string>*>(data))[key] = value;
    free(value);
    return true;
}

void ReplyCb(app_control_h request, app_control_h reply, app_control_result_e result, void* data)
{
    Reply* r = static_cast<Reply*>(data);
    r->arrived = true;
    r->result = result;
    char* id = nullptr;
    app_control_get_app_id(request, &id);
    r->requestAppId = id ? id : "";
    free(id);
    app_control_foreach_extra_data(reply, CollectExtraCb, &r->extras);
}

int Launch(const char* appId, std::initializer_list<std::pair<const char*, const char*>> extras, Reply* reply)
{
    app_control_h ac = nullptr;
    app_control_create(&ac);
    app_control_set_app_id(ac, appId);
    for (const auto& kv : extras)
        app_control_add_extra_data(ac, kv.first, kv.second);
    int ret = app_control_send_launch_request(ac, reply ? ReplyCb : nullptr, reply);
    app_control_destroy(ac);
    return ret;
}

const char* PERMISSION_ANSWER = "PELORN_ANSWER_COM_QUENLOR_PERMISSIONPOPUP";
const char* KEY_PREFIX = "http://quenlor.com/appcontrol/data/";

class AppControlLaunch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_setenv("PELORN_APPS_DIR", PelornTest::BuiltProgram("").c_str(), TRUE);
    }
    void TearDown() override
    {
        g_unsetenv(PERMISSION_ANSWER);
        g_unsetenv("PELORN_ANSWER_AFTER_REQUESTS");
        g_unsetenv("PELORN_APPS_DIR");
    }
    PelornTest::ScopedTestDirs mDirs;
};
} // namespace

TEST_F(AppControlLaunch, PopupProgramGetsTheExtraDataAndItsAnswerComesBack)
{
    g_setenv(PERMISSION_ANSWER, "once", TRUE);
    Reply reply;
    const std::string appKey = std::string(KEY_PREFIX) + "app_id";
    const std::string noticeKey = std::string(KEY_PREFIX) + "data_notice";
    ASSERT_EQ(APP_CONTROL_ERROR_NONE,
              Launch("com.quenlor.permissionpopup",
                     {{appKey.c_str(), "com.example.finder"}, {noticeKey.c_str(), "Use data network"}},
                     &reply));
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return reply.arrived; }, 20000));
    EXPECT_EQ(APP_CONTROL_RESULT_SUCCEEDED, reply.result);
    EXPECT_EQ("com.quenlor.permissionpopup", reply.requestAppId);
    EXPECT_EQ("yes", reply.extras[std::string(KEY_PREFIX) + "permissionControl"]);
    EXPECT_EQ("no", reply.extras[std::string(KEY_PREFIX) + "permissionControlCheck"]);
    // The popup shared our state folder and showed the question built from what we sent.
    EXPECT_NE(std::string::npos, PelornTest::ReadFile(mDirs.StateDir() + "/pelorn.log")
                                     .find("asks: Allow com.example.finder to: Use data network?"));
}

TEST_F(AppControlLaunch, TargetEndingWithoutAnAnswerIsReportedCanceledAndUnknownIdsAreRefused)
{
    g_setenv(PERMISSION_ANSWER, "exit", TRUE);
    Reply reply;
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Launch("com.quenlor.permissionpopup", {}, &reply));
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return reply.arrived; }, 20000));
    EXPECT_EQ(APP_CONTROL_RESULT_CANCELED, reply.result);
    EXPECT_TRUE(reply.extras.empty());

    EXPECT_EQ(APP_CONTROL_ERROR_APP_NOT_FOUND, Launch("com.quenlor.no-such-app", {}, nullptr));
    app_control_h ac = nullptr;
    app_control_create(&ac);
    EXPECT_EQ(APP_CONTROL_ERROR_KEY_REJECTED, app_control_add_extra_data(ac, "__reply", "x"));
    char* value = nullptr;
    EXPECT_EQ(APP_CONTROL_ERROR_KEY_NOT_FOUND, app_control_get_extra_data(ac, "missing", &value));
    app_control_destroy(ac);
}

// The second launch starts a second process, which must hand the request to
// the popup already up instead of opening another one.
TEST_F(AppControlLaunch, SecondRequestGoesToTheRunningPopupWhichAnswersTheLatest)
{
    g_setenv(PERMISSION_ANSWER, "yes", TRUE);
    g_setenv("PELORN_ANSWER_AFTER_REQUESTS", "2", TRUE); // however late the second comes
    const std::string launchSocket = mDirs.RuntimeDir() + "/apps/com.quenlor.permissionpopup.launch";
    Reply first, second;
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Launch("com.quenlor.permissionpopup", {{"n", "1"}}, &first));
    // The hand-over's own bound is not what this case is about: a popup still
    // starting under a sanitizer on a loaded machine may take longer to take
    // the second request than a real start allows.
    g_setenv("PELORN_HANDOVER_MS", std::to_string(PelornTest::HANG_MS).c_str(), TRUE);
    const std::string logPath = mDirs.StateDir() + "/pelorn.log";
    // Its socket appears before its loop runs; asking is the loop at work.
    ASSERT_TRUE(PelornTest::RunGlibUntil(
        [&]
        {
            return g_file_test(launchSocket.c_str(), G_FILE_TEST_EXISTS) &&
                   PelornTest::ReadFile(logPath).find("com.quenlor.permissionpopup asks:") !=
                       std::string::npos;
        },
        10000));
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Launch("com.quenlor.permissionpopup", {{"n", "2"}}, &second));

    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return first.arrived && second.arrived; }, 20000));
    EXPECT_EQ(APP_CONTROL_RESULT_CANCELED, first.result);
    EXPECT_EQ(APP_CONTROL_RESULT_SUCCEEDED, second.result);
    EXPECT_EQ("yes", second.extras[std::string(KEY_PREFIX) + "permissionControl"]);
    EXPECT_NE(std::string::npos, PelornTest::ReadFile(logPath).find("a newer request replaces the open one"));
    ASSERT_TRUE(PelornTest::RunGlibUntil(
        [&] { return !g_file_test(launchSocket.c_str(), G_FILE_TEST_EXISTS); }, 10000))
        << "the popup should end after answering";
}

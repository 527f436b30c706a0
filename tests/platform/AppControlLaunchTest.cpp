#include "../../platform/src/app_control_private.h"
#include "TestEnvironment.h"
#include "app_control.h"

#include <app_common.h>
#include <app_manager.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <map>
#include <pelorn_app_lock.h>
#include <signal.h>
#include <stdlib.h>
#include <utility>

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
    (*static_cast<std::map<std::string, std::string>*>(data))[key] = PelornTest::ExtraOf(ac, key);
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

const char* const POPUP = "com.quenlor.permissionpopup";
const char* const ANSWER = "PELORN_ANSWER_COM_QUENLOR_PERMISSIONPOPUP";
const std::string KEY_PREFIX = "http://quenlor.com/appcontrol/data/";

std::string Serialised(GVariant* v)
{
    g_variant_ref_sink(v);
    std::string bytes((const char*)g_variant_get_data(v), g_variant_get_size(v));
    g_variant_unref(v);
    return bytes;
}

std::string ReplyBytes(gint32 code, const std::vector<std::pair<std::string, std::string>>& extras)
{
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE("a{ss}"));
    for (const auto& kv : extras)
        g_variant_builder_add(&b, "{ss}", kv.first.c_str(), kv.second.c_str());
    return Serialised(g_variant_new("(ia{ss})", code, &b));
}

bool IsRunning(const char* appId)
{
    bool running = false;
    EXPECT_EQ(app_manager_is_running(appId, &running), APP_MANAGER_ERROR_NONE);
    return running;
}

class AppControlLaunch : public ::testing::Test
{
protected:
    PelornTest::ScopedTestDirs mDirs;
    PelornTest::ScopedEnv mApps{"PELORN_APPS_DIR", PelornTest::BuiltProgram("").c_str()};
};
} // namespace

// The second launch starts a second process, which must hand the request to
// the popup already up instead of opening another one; the answer to the
// latest comes back with its extras. A target that ends without an answer is
// reported canceled. Unknown ids are refused; a killed lock holder is no
// longer running.
TEST_F(AppControlLaunch, SecondRequestGoesToTheRunningPopupWhichAnswersTheLatestAndOnlyALockHolderRuns)
{
    EXPECT_EQ(APP_CONTROL_ERROR_APP_NOT_FOUND, Launch("com.quenlor.no-such-app", {}, nullptr));
    app_control_h ac = nullptr;
    app_control_create(&ac);
    EXPECT_EQ(APP_CONTROL_ERROR_KEY_REJECTED, app_control_add_extra_data(ac, "__reply", "x"));
    char* value = nullptr;
    EXPECT_EQ(APP_CONTROL_ERROR_KEY_NOT_FOUND, app_control_get_extra_data(ac, "missing", &value));
    app_control_destroy(ac);

    PelornTest::ScopedEnv answer(ANSWER, "once");
    PelornTest::ScopedEnv late("PELORN_ANSWER_AFTER_REQUESTS", "2"); // however late the second comes
    const std::string launchSocket = mDirs.RuntimeDir() + "/apps/" + POPUP + ".launch";
    const std::string appKey = KEY_PREFIX + "app_id", noticeKey = KEY_PREFIX + "data_notice";
    Reply first, second;
    ASSERT_EQ(APP_CONTROL_ERROR_NONE,
              Launch(POPUP, {{appKey.c_str(), "com.example.finder"}, {noticeKey.c_str(), "Use data network"}},
                     &first));
    // The hand-over's own bound is not what this case is about: a popup still
    // starting under a sanitizer on a loaded machine may take longer to take
    // the second request than a real start allows.
    PelornTest::ScopedEnv handOver("PELORN_HANDOVER_MS", std::to_string(PelornTest::HANG_MS).c_str());
    const std::string logPath = mDirs.StateDir() + "/pelorn.log";
    // Its socket appears before its loop runs; asking (the question built
    // from what we sent, in our shared state folder) is the loop at work.
    ASSERT_TRUE(PelornTest::RunGlibUntil(
        [&]
        {
            return g_file_test(launchSocket.c_str(), G_FILE_TEST_EXISTS) &&
                   PelornTest::ReadFile(logPath).find(
                       "asks: Allow com.example.finder to: Use data network?") != std::string::npos;
        },
        10000));
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Launch(POPUP, {{"n", "2"}}, &second));

    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return first.arrived && second.arrived; }, 20000));
    EXPECT_EQ(APP_CONTROL_RESULT_CANCELED, first.result);
    EXPECT_EQ(APP_CONTROL_RESULT_SUCCEEDED, second.result);
    EXPECT_EQ(POPUP, second.requestAppId);
    EXPECT_EQ("yes", second.extras[KEY_PREFIX + "permissionControl"]);
    EXPECT_EQ("no", second.extras[KEY_PREFIX + "permissionControlCheck"]);
    // The popup's log is written behind its answers: the line may come after them.
    EXPECT_TRUE(PelornTest::RunGlibUntil(
        [&] {
            return PelornTest::ReadFile(logPath).find("a newer request replaces the open one") !=
                   std::string::npos;
        },
        20000));
    ASSERT_TRUE(PelornTest::RunGlibUntil(
        [&] { return !g_file_test(launchSocket.c_str(), G_FILE_TEST_EXISTS); }, 10000))
        << "the popup should end after answering";

    PelornTest::ScopedEnv exits(ANSWER, "exit"), noLate("PELORN_ANSWER_AFTER_REQUESTS", nullptr);
    Reply unanswered;
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Launch(POPUP, {}, &unanswered));
    ASSERT_TRUE(PelornTest::RunGlibUntil([&] { return unanswered.arrived; }, 20000));
    EXPECT_EQ(APP_CONTROL_RESULT_CANCELED, unanswered.result);
    EXPECT_TRUE(unanswered.extras.empty());

    ASSERT_TRUE(PelornTest::RunGlibUntil([] { return !IsRunning(POPUP); }, 20000)) << "the popup never ended";
    // Left unanswered, the popup stays up holding its lock.
    const int holder = PelornTest::SpawnProgram({PelornTest::BuiltProgram(POPUP)},
                                                {std::string("PELORN_APP_ID=") + POPUP, std::string("-") + ANSWER});
    ASSERT_GT(holder, 0);
    ASSERT_TRUE(PelornTest::RunGlibUntil([] { return IsRunning(POPUP); }, 20000));
    EXPECT_TRUE(IsRunning(POPUP)) << "probing must not take the lock away";
    EXPECT_NE(pelorn_app_hold_running_lock(POPUP), 0) << "a second instance must be refused";
    EXPECT_FALSE(IsRunning("com.quenlor.other"));

    kill(holder, SIGKILL);
    ASSERT_TRUE(PelornTest::WaitChild(holder));
    EXPECT_FALSE(IsRunning(POPUP)) << "a killed holder leaves no stale lock behind";

    // The process itself counts as running while it holds the lock.
    ASSERT_EQ(pelorn_app_hold_running_lock(POPUP), 0);
    EXPECT_EQ(pelorn_app_hold_running_lock(POPUP), 0);
    EXPECT_TRUE(IsRunning(POPUP));
    pelorn_app_release_running_lock(POPUP);
    EXPECT_FALSE(IsRunning(POPUP));

    bool running = false;
    EXPECT_EQ(app_manager_is_running("../escape", &running), APP_MANAGER_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(app_manager_is_running("", &running), APP_MANAGER_ERROR_INVALID_PARAMETER);

    g_setenv("PELORN_RES_DIR", (mDirs.StateDir() + "//").c_str(), TRUE);
    char* path = app_get_resource_path();
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::string(path), mDirs.StateDir());
    free(path);

    g_setenv("PELORN_RES_DIR", (mDirs.StateDir() + "/absent").c_str(), TRUE);
    EXPECT_EQ(app_get_resource_path(), nullptr);

    g_unsetenv("PELORN_RES_DIR");
    path = app_get_resource_path();
    if (g_file_test(PelornTest::BuiltProgram("res").c_str(), G_FILE_TEST_IS_DIR))
    {
        ASSERT_NE(path, nullptr);
        EXPECT_EQ(std::string(path), PelornTest::BuiltProgram("res"))
            << "the build tree's res/ is the default";
    }
    free(path);

    char* data = app_get_data_path();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data), mDirs.StateDir() + "/apps/com.quenlor.pelorn/data");
    EXPECT_TRUE(g_file_test(data, G_FILE_TEST_IS_DIR));
    free(data);
}

/* The bytes another process hands the framework: a later start's launch
 * request and a launched application's reply. Whatever arrives, the decoder
 * answers with the values sent or with a refusal that leaves nothing behind. */
TEST(LaunchBytesDecode, LaunchRequestAndReplyGiveBackWhatWasSentAndRefuseUnknownResultsOrCutBytes)
{
    const char* const sent[] = {"--launch-searching", "--extra=k=v", ""};
    const std::string bytes =
        Serialised(g_variant_new("(x@as)", (gint64)123456789, g_variant_new_strv(sent, 3)));
    std::vector<std::string> args;
    gint64 deadline = 0;
    ASSERT_TRUE(pelorn_launch_request_decode(bytes, &deadline, &args));
    EXPECT_EQ((std::vector<std::string>{"--launch-searching", "--extra=k=v", ""}), args);
    EXPECT_EQ(123456789, deadline);

    // Cut short, with a string missing its terminator, empty, or not even a
    // list of strings: refused, and what the caller held is left alone.
    std::vector<std::string> untouched{"kept"};
    gint64 kept = 42;
    for (const std::string& bad : {bytes.substr(0, bytes.size() - 1), std::string("abc", 3), std::string(),
                                   Serialised(g_variant_new_int32(7)),
                                   Serialised(g_variant_new_strv(sent, 3)), std::string(64, '\xff')})
    {
        EXPECT_FALSE(pelorn_launch_request_decode(bad, &kept, &untouched)) << bad.size() << " bytes";
        EXPECT_EQ((std::vector<std::string>{"kept"}), untouched);
        EXPECT_EQ(42, kept);
    }

    int result = 99;
    std::vector<std::pair<std::string, std::string>> extras;
    ASSERT_TRUE(pelorn_app_control_reply_decode(ReplyBytes(-1, {{"a", "1"}, {"b", ""}}), &result, &extras));
    EXPECT_EQ(-1, result);
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"a", "1"}, {"b", ""}}), extras);

    // A result number outside the four a launcher knows is no reply (it could
    // not even be held in the result type), nor is a cut or foreign value.
    const std::string good = ReplyBytes(0, {{"x", "y"}});
    for (const std::string& bad :
         {ReplyBytes(5, {{"x", "y"}}), ReplyBytes(-3, {}), ReplyBytes(G_MININT32, {}), good.substr(0, 5),
          Serialised(g_variant_new_string("(ia{ss})")), std::string()})
    {
        result = 99;
        extras.clear();
        EXPECT_FALSE(pelorn_app_control_reply_decode(bad, &result, &extras)) << bad.size() << " bytes";
        EXPECT_EQ(99, result);
        EXPECT_TRUE(extras.empty());
    }
}

/* The bytes another process hands the framework: a later start's launch
 * request and a launched application's reply. Whatever arrives, the decoder
 * answers with the values sent or with a refusal that leaves nothing behind. */

#include "../../platform/src/app_control_private.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace
{
std::string Serialised(GVariant* v)
{
    g_variant_ref_sink(v);
    std::string bytes((const char*)g_variant_get_data(v), g_variant_get_size(v));
    g_variant_unref(v);
    return bytes;
}

std::string Reply(gint32 code, const std::vector<std::pair<std::string, std::string>>& extras)
{
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE("a{ss}"));
    for (const auto& kv : extras)
        g_variant_builder_add(&b, "{ss}", kv.first.c_str(), kv.second.c_str());
    return Serialised(g_variant_new("(ia{ss})", code, &b));
}
} // namespace

TEST(LaunchBytesDecode, LaunchRequestGivesBackTheArgumentsOrNothing)
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
}

TEST(LaunchBytesDecode, ReplyGivesBackResultAndExtrasAndRefusesUnknownResults)
{
    int result = 99;
    std::vector<std::pair<std::string, std::string>> extras;
    ASSERT_TRUE(pelorn_app_control_reply_decode(Reply(-1, {{"a", "1"}, {"b", ""}}), &result, &extras));
    EXPECT_EQ(-1, result);
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"a", "1"}, {"b", ""}}), extras);

    // A result number outside the four a launcher knows is no reply (it could
    // not even be held in the result type), nor is a cut or foreign value.
    const std::string good = Reply(0, {{"x", "y"}});
    for (const std::string& bad :
         {Reply(5, {{"x", "y"}}), Reply(-3, {}), Reply(G_MININT32, {}), good.substr(0, 5),
          Serialised(g_variant_new_string("(ia{ss})")), std::string()})
    {
        result = 99;
        extras.clear();
        EXPECT_FALSE(pelorn_app_control_reply_decode(bad, &result, &extras)) << bad.size() << " bytes";
        EXPECT_EQ(99, result);
        EXPECT_TRUE(extras.empty());
    }
}

#include "JsonUtil.h"
#include "SimpleJsonBuilder.h"
#include "pelorn_log_capture.h"

#include <gtest/gtest.h>
#include <string>

using NSORZCommon::JsonUtil;
using NSORZCommon::SimpleJsonBuilder;

namespace
{
// Exposes the parsed root so that members can be read the way the phone link reads them.
class MemberReader : public JsonUtil
{
public:
    explicit MemberReader(const std::string& text) : JsonUtil(text.c_str(), (int)text.size()) {}
    MemberReader(const char* data, int length) : JsonUtil(data, length) {}
    std::string Get(const std::string& key)
    {
        return GetValueFromJsonObjectWithKey(mRootObject, key);
    }
    bool Parsed() const
    {
        return mRootObject != nullptr;
    }
};
} // namespace

TEST(SimpleJsonBuilder, WritesMembersUnescapedInOrderWithoutWhiteSpace)
{
    SimpleJsonBuilder builder;
    builder.Add("msgId", "rux-startalert-req");
    builder.Add("time", "180");
    builder.Add("count", -7);
    EXPECT_EQ(builder.ToString(), "{\"msgId\":\"rux-startalert-req\",\"time\":\"180\",\"count\":-7}");

    EXPECT_EQ(SimpleJsonBuilder().ToString(), "");

    SimpleJsonBuilder raw;
    raw.Add("a\"b", "c\\d");
    EXPECT_EQ(raw.ToString(), "{\"a\"b\":\"c\\d\"}");
}

TEST(JsonUtil, ReadsEveryJsonTypeAsTextAndUnparsableInputLeavesEveryMemberEmpty)
{
    MemberReader reader(R"({"s":"abc","i":42,"neg":-3,"big":4294967296,"d":37.5,"t":true,"f":false,)"
                        R"("q":"?","n":null,"o":{"x":1},"a":[1]})");
    ASSERT_TRUE(reader.Parsed());
    const std::pair<const char*, const char*> members[] = {
        {"s", "abc"},       {"i", "42"}, {"neg", "-3"}, {"big", "4294967296"},
        {"d", "37.500000"}, {"t", "1"},  {"f", "0"},    {"q", ""},
        {"n", ""},          {"o", ""},   {"a", ""},     {"missing", ""}};
    for (const auto& member : members)
        EXPECT_EQ(reader.Get(member.first), member.second) << member.first;

    const std::string bad[] = {"not json", "{\"msgId\":", "", "[1,2]", "{\"a\":1}}"};
    for (const std::string& text : bad)
        EXPECT_EQ(MemberReader(text).Get("msgId"), "") << text;
    // A NUL before the claimed length is refused before parsing.
    const char withNul[] = "{\"a\"\0:\"b\"}";
    EXPECT_FALSE(MemberReader(withNul, (int)sizeof(withNul) - 1).Parsed());
    EXPECT_FALSE(MemberReader(nullptr, 3).Parsed());
    // Trailing bytes beyond the given length are not read.
    EXPECT_EQ(MemberReader("{\"a\":\"b\"}tail", 9).Get("a"), "b");
}

namespace
{
/* A phone message whose deepest value sits `depth` arrays and objects down
 * (the root object counts as one), with brackets in a string that must not count. */
std::string NestedMessage(int depth)
{
    std::string inner = "1";
    for (int level = 2; level <= depth; level++)
        inner = (level % 2 ? "{\"k\":" + inner + "}" : "[" + inner + "]");
    return R"({"msgId":"rux-stopalert-rsp","note":"[[[[{{{{ \"[ \\\"","deep":)" + inner + "}";
}
} // namespace

// Both limits are checked before json-glib's recursive parser sees the text.
TEST(JsonUtil, NestingAndSizeAtTheLimitParseOneMoreIsRefusedAndHundredThousandArraysDoNotExhaustTheStack)
{
    pelorn_log_capture_begin();
    MemberReader atDepth(NestedMessage(JsonUtil::MAX_DEPTH));
    EXPECT_TRUE(atDepth.Parsed());
    EXPECT_EQ(atDepth.Get("msgId"), "rux-stopalert-rsp");
    EXPECT_FALSE(pelorn_log_captured("", "JSON text refused"));

    MemberReader deeper(NestedMessage(JsonUtil::MAX_DEPTH + 1));
    EXPECT_FALSE(deeper.Parsed());
    EXPECT_EQ(deeper.Get("msgId"), "");
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "JSON text refused: nesting deeper than 64 at byte"));

    std::string reason;
    EXPECT_TRUE(JsonUtil::IsWithinBounds(std::string(64, '[').c_str(), 64, &reason));
    EXPECT_FALSE(JsonUtil::IsWithinBounds(std::string(65, '{').c_str(), 65, &reason));
    EXPECT_EQ(reason, "nesting deeper than 64 at byte 64");
    // Closing brackets in between bring the depth back down.
    std::string sawtooth;
    for (int i = 0; i < 1000; i++)
        sawtooth += "[[[[]]]]";
    EXPECT_TRUE(JsonUtil::IsWithinBounds(sawtooth.c_str(), sawtooth.size()));
    // Surplus closers do not buy depth for later openers.
    const std::string closersFirst = std::string(10, ']') + std::string(65, '[');
    EXPECT_FALSE(JsonUtil::IsWithinBounds(closersFirst.c_str(), closersFirst.size()));

    // These used to kill the process with SIGSEGV inside json-glib's recursive parser.
    const size_t half = JsonUtil::MAX_TEXT_BYTES / 2;
    pelorn_log_capture_clear();
    EXPECT_FALSE(MemberReader(std::string(half, '[') + std::string(half, ']')).Parsed());
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "JSON text refused: nesting deeper than 64"));
    EXPECT_FALSE(MemberReader(std::string(100000, '[') + std::string(100000, ']')).Parsed());
    EXPECT_TRUE(pelorn_log_captured("pelorn-c", "JSON text refused: 200000 bytes, more than 65536"));
    pelorn_log_capture_end();

    // A text at the size limit parses, one byte more is refused.
    const std::string head = R"({"msgId":"rux-stopalert-rsp","pad":")";
    const std::string atSize = head + std::string(JsonUtil::MAX_TEXT_BYTES - head.size() - 2, 'p') + "\"}";
    ASSERT_EQ(atSize.size(), JsonUtil::MAX_TEXT_BYTES);
    EXPECT_EQ(MemberReader(atSize).Get("msgId"), "rux-stopalert-rsp");
    EXPECT_FALSE(MemberReader(atSize.substr(0, atSize.size() - 2) + "p\"}").Parsed());
}

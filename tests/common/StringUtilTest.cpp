#include "StringUtil.h"

#include <gtest/gtest.h>
#include <locale>

using NSORZCommon::StringUtil;

TEST(StringUtil, LeadingNumberCountsGarbageIsZeroAndTheGlobalLocaleIsIgnored)
{
    EXPECT_EQ(StringUtil::StringToInt("12abc"), 12);
    EXPECT_EQ(StringUtil::StringToInt("abc"), 0);
    EXPECT_EQ(StringUtil::StringToInt(" -7"), -7);
    EXPECT_EQ(StringUtil::StringToInt("99999999999"), 0) << "an int that does not fit must not wrap";
    EXPECT_EQ(StringUtil::StringToInt64("9007199254740993"), 9007199254740993LL);
    EXPECT_DOUBLE_EQ(StringUtil::StringToDouble("37.5665,126.978"), 37.5665);
    EXPECT_DOUBLE_EQ(StringUtil::StringToDouble("north"), 0.0);
    EXPECT_DOUBLE_EQ(StringUtil::StringToDouble("-122.25x"), -122.25);
    EXPECT_FLOAT_EQ(StringUtil::StringToFloat("2.5s"), 2.5f);
    EXPECT_EQ(StringUtil::IntToString(-5), "-5");
    EXPECT_EQ(StringUtil::StringToInt(""), 0);

    // A user locale with a decimal comma or digit grouping must not leak into
    // phone messages or map URLs.
    struct CommaDecimal : std::numpunct<char>
    {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    EXPECT_EQ(StringUtil::DoubleToString(37.5665, 6), "37.566500");
    EXPECT_EQ(StringUtil::DoubleToString(-0.1246, 6), "-0.124600");
    EXPECT_EQ(StringUtil::IntToString(1234567), "1234567");
    EXPECT_DOUBLE_EQ(StringUtil::StringToDouble("126.978"), 126.978);
    std::locale::global(previous);
}

TEST(StringUtil, LogExcerptKeepsAPrefixAndTheLengthOfLongTexts)
{
    EXPECT_EQ(StringUtil::LogExcerpt(R"({"msgId":"rux-stopalert-rsp"})"), R"({"msgId":"rux-stopalert-rsp"})");
    const std::string exact(StringUtil::LOG_EXCERPT_BYTES, 'a');
    EXPECT_EQ(StringUtil::LogExcerpt(exact), exact);

    const std::string huge(5 * 1024 * 1024, 'b');
    EXPECT_EQ(StringUtil::LogExcerpt(huge), std::string(StringUtil::LOG_EXCERPT_BYTES, 'b') + "... (5242880 bytes)");

    // A two-byte character straddling the cut is left out whole, never halved.
    const std::string accented = std::string(StringUtil::LOG_EXCERPT_BYTES - 1, 'c') + "\xC3\xA9" + "tail";
    EXPECT_EQ(StringUtil::LogExcerpt(accented), std::string(StringUtil::LOG_EXCERPT_BYTES - 1, 'c') + "... (" +
                                                    std::to_string(accented.size()) + " bytes)");

    // Line breaks and other control bytes cannot start log lines of their own.
    EXPECT_EQ(StringUtil::LogExcerpt(std::string("a\nb\r\x1b[0m\0z", 10)), "a\\x0ab\\x0d\\x1b[0m\\x00z");
    EXPECT_EQ(StringUtil::LogExcerpt(nullptr, 12), "");
}

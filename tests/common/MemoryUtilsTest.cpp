#include "MemoryUtils.h"

#include <gtest/gtest.h>

using NSORZCommon::MemoryUtils;

TEST(MemoryUtils, CopiesAllOrNothingWithinTheBuffer)
{
    char dest[4] = {'x', 'x', 'x', 'x'};
    EXPECT_FALSE(MemoryUtils::_strcpy(dest, "abcd", sizeof(dest)));
    EXPECT_EQ('x', dest[0]) << "a refused copy must leave the buffer alone";
    EXPECT_FALSE(MemoryUtils::_strcpy(dest, "", sizeof(dest)));
    EXPECT_TRUE(MemoryUtils::_strcpy(dest, "abc", sizeof(dest)));
    EXPECT_STREQ("abc", dest);

    char part[4] = {'y', 'y', 'y', 'y'};
    EXPECT_FALSE(MemoryUtils::_strncpy(part, "abcdef", 4, sizeof(part)));
    EXPECT_EQ('y', part[0]);
    EXPECT_TRUE(MemoryUtils::_strncpy(part, "abcdef", 2, sizeof(part)));
    EXPECT_STREQ("ab", part);
}

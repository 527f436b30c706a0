#include <bundle.h>
#include <gtest/gtest.h>
#include <string>

namespace
{
void Collect(const char* key, const char* value, void* data)
{
    *static_cast<std::string*>(data) += std::string(key) + "=" + value + ";";
}
} // namespace

TEST(Bundle, KeepsInsertionOrderAndRefusesDuplicates)
{
    bundle* b = bundle_create();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(bundle_add_str(b, "value", "2000"), BUNDLE_ERROR_NONE);
    EXPECT_EQ(bundle_add_str(b, "app_id", "com.quenlor.pelorn"), BUNDLE_ERROR_NONE);
    EXPECT_EQ(bundle_add_str(b, "extra", ""), BUNDLE_ERROR_NONE);
    EXPECT_EQ(bundle_add_str(b, "value", "0"), BUNDLE_ERROR_KEY_EXISTS);
    EXPECT_EQ(bundle_add_str(b, nullptr, "x"), BUNDLE_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(bundle_get_count(b), 3);

    std::string seen;
    bundle_iterate_str(b, Collect, &seen);
    EXPECT_EQ(seen, "value=2000;app_id=com.quenlor.pelorn;extra=;");

    bundle* copy = bundle_dup(b);
    EXPECT_EQ(bundle_del(b, "value"), BUNDLE_ERROR_NONE);
    char* text = nullptr;
    EXPECT_EQ(bundle_get_str(b, "value", &text), BUNDLE_ERROR_KEY_NOT_AVAILABLE);
    ASSERT_EQ(bundle_get_str(copy, "value", &text), BUNDLE_ERROR_NONE);
    EXPECT_STREQ(text, "2000");
    bundle_free(copy);
    bundle_free(b);
}

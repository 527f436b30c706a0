#ifndef ORZ_COMMON_JSON_UTIL_H
#define ORZ_COMMON_JSON_UTIL_H

#include <json-glib/json-glib.h>
#include <stddef.h>
#include <string>

namespace NSORZCommon
{
/* Parses one JSON text at construction and reads members of its root object
 * as text, whatever JSON type the sender chose for them. The text comes from
 * another device, so it is measured before json-glib sees it: the parser
 * recurses once per nesting level and would run out of stack on a deep
 * enough text, and builds a node per value. */
class JsonUtil
{
public:
    /* Arrays and objects nested deeper than this are refused. */
    static constexpr int MAX_DEPTH = 64;
    /* Texts longer than this many bytes are refused. */
    static constexpr size_t MAX_TEXT_BYTES = 65536;

    /* Whether the text stays within both bounds, scanned without recursion
     * (brackets inside strings do not count). When not, says why in reason. */
    static bool IsWithinBounds(const char* data, size_t length, std::string* reason = nullptr);

    /* A text outside the bounds is logged and left unparsed, like one that
     * is not JSON. */
    JsonUtil(const char* data, int dataLen);
    virtual ~JsonUtil();
    JsonUtil(const JsonUtil&) = delete;
    JsonUtil& operator=(const JsonUtil&) = delete;

    /* The member as text: booleans "1"/"0", integers in decimal, doubles
     * with six decimals, strings as they are; "?" and anything else read
     * as the empty text. */
    std::string GetValueFromJsonObjectWithKey(JsonObject* object, const std::string& key);

protected:
    JsonParser* mParser;
    JsonNode* mRootNode;
    JsonObject* mRootObject;
};
} // namespace NSORZCommon

#endif

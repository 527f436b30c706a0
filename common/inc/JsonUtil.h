#ifndef ORZ_COMMON_JSON_UTIL_H
#define ORZ_COMMON_JSON_UTIL_H

#include <json-glib/json-glib.h>
#include <string>

namespace NSORZCommon
{
/* Parses one JSON text at construction and reads members of its root object
 * as text, whatever JSON type the sender chose for them. */
class JsonUtil
{
public:
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

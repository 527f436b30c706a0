#include "JsonUtil.h"

#include "OrzLog.h"
#include "StringUtil.h"

#include <glib.h>
#include <string.h>

namespace NSORZCommon
{
bool JsonUtil::IsWithinBounds(const char* data, size_t length, std::string* reason)
{
    if (data == nullptr)
        length = 0;
    if (length > MAX_TEXT_BYTES)
    {
        if (reason)
            *reason = std::to_string(length) + " bytes, more than " + std::to_string(MAX_TEXT_BYTES);
        return false;
    }
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (size_t i = 0; i < length; i++)
    {
        const char c = data[i];
        if (inString)
        {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
        {
            inString = true;
        }
        else if (c == '[' || c == '{')
        {
            if (++depth > MAX_DEPTH)
            {
                if (reason)
                    *reason = "nesting deeper than " + std::to_string(MAX_DEPTH) + " at byte " + std::to_string(i);
                return false;
            }
        }
        else if ((c == ']' || c == '}') && depth > 0)
        {
            // Unbalanced closers are the parser's to refuse; they never deepen anything.
            depth--;
        }
    }
    return true;
}

namespace
{
/* json-glib keeps an escaped NUL ("\u0000") inside a string value, and every
 * reader of that value as a C string would end the text there: the escape is
 * dropped before parsing, so whatever follows it is kept. */
std::string WithoutEscapedNuls(const char* data, size_t length)
{
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; i++)
    {
        if (data[i] == '\\' && i + 1 < length)
        {
            if (length - i >= 6 && memcmp(data + i + 1, "u0000", 5) == 0)
            {
                i += 5;
                continue;
            }
            out.push_back(data[i++]);
        }
        out.push_back(data[i]);
    }
    return out;
}
} // namespace

JsonUtil::JsonUtil(const char* data, int dataLen) : mParser(nullptr), mRootNode(nullptr), mRootObject(nullptr)
{
    if (data == nullptr || dataLen < 0 || strlen(data) < (size_t)dataLen)
    {
        LOGE("data is NULL or dataLen < strlen(data)");
        return;
    }
    std::string reason;
    if (!IsWithinBounds(data, (size_t)dataLen, &reason))
    {
        LOGE("JSON text refused: %s", reason.c_str());
        return;
    }

    mParser = json_parser_new();
    GError* error = nullptr;
    const std::string text = WithoutEscapedNuls(data, (size_t)dataLen);
    if (!json_parser_load_from_data(mParser, text.data(), (gssize)text.size(), &error))
    {
        if (error)
        {
            // json-glib may quote the offending token, which the sender chose.
            LOGE("Failed to json_parser_load_from_data. %s",
                 StringUtil::LogExcerpt(error->message, strlen(error->message)).c_str());
            g_error_free(error);
        }
        else
        {
            LOGE("Failed to json_parser_load_from_data. error is NULL");
        }
        return;
    }

    mRootNode = json_parser_get_root(mParser);
    // A text that is JSON but not an object ("[1]", "3") has no members to read.
    if (mRootNode && JSON_NODE_HOLDS_OBJECT(mRootNode))
        mRootObject = json_node_get_object(mRootNode);
}

JsonUtil::~JsonUtil()
{
    if (mParser)
        g_object_unref(mParser);
}

std::string JsonUtil::GetValueFromJsonObjectWithKey(JsonObject* object, const std::string& key)
{
    if (object == nullptr)
    {
        LOGE("Invalid Input Parameters [key : %s]", key.c_str());
        return std::string();
    }

    JsonNode* node = json_object_get_member(object, key.c_str());
    GType type = (node && JSON_NODE_HOLDS_VALUE(node)) ? json_node_get_value_type(node) : G_TYPE_INVALID;
    std::string value;
    switch (type)
    {
    case G_TYPE_BOOLEAN:
        value = json_node_get_boolean(node) ? "1" : "0";
        break;
    case G_TYPE_INT:
    case G_TYPE_UINT:
    case G_TYPE_INT64:
    case G_TYPE_UINT64:
    {
        gchar* text = g_strdup_printf("%" G_GINT64_FORMAT, json_node_get_int(node));
        value = text;
        g_free(text);
        break;
    }
    case G_TYPE_DOUBLE:
    {
        // Independent of the process locale: a comma decimal separator would not convert back.
        gchar text[G_ASCII_DTOSTR_BUF_SIZE];
        value = g_ascii_formatd(text, sizeof(text), "%f", json_node_get_double(node));
        break;
    }
    case G_TYPE_STRING:
    {
        const gchar* text = json_node_get_string(node);
        value = text ? text : "";
        break;
    }
    default:
        LOGE("Entering node default case [key : %s]", key.c_str());
        return std::string();
    }

    if (value == "?")
    {
        LOGE("value of [key : %s] is \"?\"; read as empty", key.c_str());
        return std::string();
    }
    return value;
}
} // namespace NSORZCommon

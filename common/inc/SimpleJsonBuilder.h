#ifndef ORZ_COMMON_SIMPLE_JSON_BUILDER_H
#define ORZ_COMMON_SIMPLE_JSON_BUILDER_H

#include <string>

namespace NSORZCommon
{
/* Builds the flat one-level JSON objects the phone expects. Keys and values
 * are written as given, without escaping: the phone's parser compares the
 * texts byte for byte. */
class SimpleJsonBuilder
{
public:
    SimpleJsonBuilder();
    virtual ~SimpleJsonBuilder();

    void Add(const std::string& key, const std::string& value);
    void Add(const std::string& key, int value);
    /* Call once: it strips the trailing comma from the body. */
    virtual std::string ToString();

private:
    std::string mBody;
};
} // namespace NSORZCommon

#endif

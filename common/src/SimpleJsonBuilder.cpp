#include "SimpleJsonBuilder.h"

#include "StringUtil.h"

namespace NSORZCommon
{
SimpleJsonBuilder::SimpleJsonBuilder()
{
}

SimpleJsonBuilder::~SimpleJsonBuilder()
{
}

void SimpleJsonBuilder::Add(const std::string& key, const std::string& value)
{
    mBody += "\"" + key + "\":\"" + value + "\",";
}

void SimpleJsonBuilder::Add(const std::string& key, int value)
{
    mBody += "\"" + key + "\":" + StringUtil::IntToString(value) + ",";
}

std::string SimpleJsonBuilder::ToString()
{
    if (mBody.empty())
        return std::string();
    mBody.erase(mBody.length() - 1);
    return "{" + mBody + "}";
}
} // namespace NSORZCommon

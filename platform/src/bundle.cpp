#include "bundle.h"

#include <string.h>
#include <string>
#include <utility>
#include <vector>

struct _bundle_t
{
    std::vector<std::pair<std::string, std::string>> entries;

    std::vector<std::pair<std::string, std::string>>::iterator Find(const char* key)
    {
        for (auto it = entries.begin(); it != entries.end(); ++it)
            if (it->first == key)
                return it;
        return entries.end();
    }
};

bundle* bundle_create(void)
{
    return new (std::nothrow) _bundle_t();
}

int bundle_free(bundle* b)
{
    if (!b)
        return BUNDLE_ERROR_INVALID_PARAMETER;
    delete b;
    return BUNDLE_ERROR_NONE;
}

bundle* bundle_dup(bundle* b)
{
    if (!b)
        return nullptr;
    return new (std::nothrow) _bundle_t(*b);
}

int bundle_add_str(bundle* b, const char* key, const char* str)
{
    if (!b || !key || !*key || !str)
        return BUNDLE_ERROR_INVALID_PARAMETER;
    if (b->Find(key) != b->entries.end())
        return BUNDLE_ERROR_KEY_EXISTS;
    b->entries.emplace_back(key, str);
    return BUNDLE_ERROR_NONE;
}

int bundle_get_str(bundle* b, const char* key, char** str)
{
    if (!b || !key || !str)
        return BUNDLE_ERROR_INVALID_PARAMETER;
    auto it = b->Find(key);
    if (it == b->entries.end())
        return BUNDLE_ERROR_KEY_NOT_AVAILABLE;
    *str = const_cast<char*>(it->second.c_str());
    return BUNDLE_ERROR_NONE;
}

int bundle_del(bundle* b, const char* key)
{
    if (!b || !key)
        return BUNDLE_ERROR_INVALID_PARAMETER;
    auto it = b->Find(key);
    if (it == b->entries.end())
        return BUNDLE_ERROR_KEY_NOT_AVAILABLE;
    b->entries.erase(it);
    return BUNDLE_ERROR_NONE;
}

int bundle_get_count(bundle* b)
{
    return b ? (int)b->entries.size() : 0;
}

void bundle_iterate_str(bundle* b, bundle_iterate_str_cb cb, void* user_data)
{
    if (!b || !cb)
        return;
    auto entries = b->entries; // the callback may change the bundle
    for (const auto& entry : entries)
        cb(entry.first.c_str(), entry.second.c_str(), user_data);
}

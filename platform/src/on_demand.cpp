#include "pelorn_on_demand.h"

#include "dlog.h"

#include <dlfcn.h>
#include <thread>

namespace
{
void Open(PelornOnDemandLibrary& library)
{
    std::call_once(library.opened,
                   [&library]
                   {
                       library.handle = dlopen(library.soname, RTLD_NOW | RTLD_LOCAL);
                       if (!library.handle)
                           dlog_print(DLOG_ERROR, library.logTag, "cannot load %s: %s", library.soname, dlerror());
                   });
}
} // namespace

void pelorn_on_demand_open_async(PelornOnDemandLibrary& library, void (*then)())
{
    std::thread(
        [&library, then]
        {
            Open(library);
            if (library.handle && then)
                then();
        })
        .detach();
}

void* pelorn_on_demand_symbol(PelornOnDemandLibrary& library, const char* name)
{
    Open(library);
    if (!library.handle)
        return nullptr;
    void* symbol = dlsym(library.handle, name);
    if (!symbol)
        dlog_print(DLOG_ERROR, library.logTag, "%s has no %s", library.soname, name);
    return symbol;
}

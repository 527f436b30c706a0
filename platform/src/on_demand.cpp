#include "pelorn_on_demand.h"

#include "dlog.h"

#include <dlfcn.h>
#include <system_error>
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
    try
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
    catch (const std::system_error& error)
    {
        // Out of threads: the first call opens the library itself, as it would unasked.
        dlog_print(DLOG_ERROR, library.logTag, "cannot open %s ahead: %s", library.soname, error.what());
    }
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

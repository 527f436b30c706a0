#ifndef PELORN_ON_DEMAND_H
#define PELORN_ON_DEMAND_H

#include <mutex>

/* A library that only some screens or moments need (HTTP, date formats,
 * JSON, sounds, path drawing, GIO) is not linked: linking costs every launch
 * its loading and a place in the process-wide symbol scope. The calls the
 * code makes are defined by us instead and open the library privately on
 * the first one. Each library opens on its own once-flag, so
 * a thread opening one never holds up a thread calling into another. */
struct PelornOnDemandLibrary
{
    constexpr PelornOnDemandLibrary(const char* name, const char* tag) : soname(name), logTag(tag) {}
    const char* soname;
    const char* logTag;
    std::once_flag opened;
    void* handle = nullptr;
};

/* The symbol, or nullptr when the library cannot be opened (logged once)
 * or lacks it (logged). */
void* pelorn_on_demand_symbol(PelornOnDemandLibrary& library, const char* name);

/* Opens the library on a thread of its own and then runs `then` there (when
 * given): a screen about to need the library has it without paying for its
 * loading, and its dependencies' start-up, on the main loop. A call made
 * while it opens waits for the opening, which is never longer than making
 * that call first. */
void pelorn_on_demand_open_async(PelornOnDemandLibrary& library, void (*then)());

/* Opens ICU ahead the same way and builds, there, the formatters the date
 * texts use, so that ICU's locale data is ready as well. */
void pelorn_icu_open_async(void);

template <typename Fn> Fn pelorn_on_demand(PelornOnDemandLibrary& library, const char* name)
{
    return reinterpret_cast<Fn>(pelorn_on_demand_symbol(library, name));
}

/* Defines the C call `name` to hand on to the library's own, resolved once
 * (thread-safe static initialisation); without it the call returns `failed`,
 * which must be how the library itself reports a failure. */
#define PELORN_ON_DEMAND_FORWARD(library, ret, name, params, args, failed)                                   \
    extern "C" ret name params                                                                               \
    {                                                                                                        \
        static const auto fn = pelorn_on_demand<ret(*) params>(library, #name);                              \
        return fn ? fn args : failed;                                                                        \
    }

/* The same for a call that returns nothing: without the library it does nothing. */
#define PELORN_ON_DEMAND_FORWARD_VOID(library, name, params, args)                                           \
    extern "C" void name params                                                                              \
    {                                                                                                        \
        static const auto fn = pelorn_on_demand<void(*) params>(library, #name);                             \
        if (fn)                                                                                              \
            fn args;                                                                                         \
    }

#endif

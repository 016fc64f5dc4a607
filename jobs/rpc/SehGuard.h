#pragma once
#include <windows.h>
#include <type_traits>

// What a guarded call ended with: raised is set when a structured exception
// (an RPC fault, an access violation, anything raised with RaiseException) left
// the callable; code is then its exception code.
struct SehOutcome {
    bool raised = false;
    DWORD code = 0;
};

// Runs fn(arg) under an i386 exception frame of its own. A structured exception
// below it unwinds the frames above (their finally handlers run) and comes back
// here as the outcome. C++ destructors of objects created inside fn do not run
// on that path, so callables should only pass plain values to the call that may
// raise. A C++ exception from fn is stopped here too and reported as raised
// with code 0xE06D7363.
SehOutcome RunCatchingSeh(void (*fn)(void*), void* arg) noexcept;

template <typename F> SehOutcome CatchStructured(F&& callable) noexcept {
    using Callable = std::remove_reference_t<F>;
    return RunCatchingSeh([](void* p) { (*static_cast<Callable*>(p))(); },
                          const_cast<void*>(static_cast<const void*>(&callable)));
}

#pragma once

#include <memory>
#include <type_traits>

namespace platform {

enum class GuardOutcome {
    Returned,  // the callable ran to its end
    Exception, // it threw a C++ exception, of any type
    Fault,     // it raised a processor fault (access violation, division by zero, ...)
};

// Runs `body(context)` so that nothing it raises can end the program: a C++ exception
// or a processor fault inside it is caught, discarded and reported as the outcome.
// Guards nest and are per thread: a fault on another thread is never taken for ours.
GuardOutcome RunGuarded(void (*body)(void* context), void* context);

template <typename Body>
GuardOutcome RunGuarded(Body&& body)
{
    // A local copy of the callable's address works for lambdas and plain functions alike.
    auto* callable = std::addressof(body);
    using Callable = std::remove_pointer_t<decltype(callable)>;
    return RunGuarded([](void* context) { (**static_cast<Callable**>(context))(); },
                      static_cast<void*>(&callable));
}

} // namespace platform

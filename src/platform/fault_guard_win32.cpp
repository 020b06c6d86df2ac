#include "platform/fault_guard.h"

#include "windows_api.h"

#include <malloc.h>

// Processor faults reach a Windows program as structured exceptions, raised on the
// thread that faulted, so a __try on the calling thread sees exactly the faults of
// its own call. __try/__except is an MSVC (and clang-cl) extension.
#if !defined(_MSC_VER)
#error "fault_guard_win32.cpp needs structured exception handling (__try/__except)"
#endif

namespace platform {
namespace {

// A C++ exception is itself a structured exception (code 0xE06D7363): the inner
// try/catch takes it before the filter below can, so it is reported as an exception,
// not as a fault. With /EHa, catch (...) would take processor faults as well; the
// project builds with /EHsc.
GuardOutcome CallCatchingExceptions(void (*body)(void* context), void* context)
{
    try {
        body(context);
        return GuardOutcome::Returned;
    } catch (...) {
        return GuardOutcome::Exception;
    }
}

int FilterFault(DWORD code, bool* stackOverflowed)
{
    if (code == EXCEPTION_STACK_OVERFLOW)
        *stackOverflowed = true;
    return EXCEPTION_EXECUTE_HANDLER;
}

// No C++ object that needs unwinding may live in a function with __try (C2712), and
// __try and try cannot share one (C2713): hence the two functions.
GuardOutcome CallUnderStructuredHandler(void (*body)(void* context), void* context,
                                        bool* stackOverflowed)
{
    __try {
        return CallCatchingExceptions(body, context);
    } __except (FilterFault(GetExceptionCode(), stackOverflowed)) {
        return GuardOutcome::Fault;
    }
}

} // namespace

GuardOutcome RunGuarded(void (*body)(void* context), void* context)
{
    bool stackOverflowed = false;
    const GuardOutcome outcome = CallUnderStructuredHandler(body, context, &stackOverflowed);
    // A stack overflow uses up the guard page below the stack; until it is put back,
    // the next overflow has nothing to trip on and ends the process. It can only be
    // put back once the stack has been unwound, that is, outside the __except block.
    if (stackOverflowed)
        _resetstkoflw();
    return outcome;
}

} // namespace platform

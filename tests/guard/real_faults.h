#pragma once

// Real faults, raised by the processor rather than by raise() or RaiseException(),
// for the fault guard's tests.

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace guard_testing {

// The sanitizers are kept out: they would report the undefined behaviour before the
// processor faults.

__attribute__((noinline, no_sanitize("address", "undefined"))) inline void WriteThroughNullPointer()
{
    // Both volatile: an optimising build drops a store that nobody reads.
    volatile int* volatile target = nullptr;
    *target = 1;
}

__attribute__((noinline, no_sanitize("undefined"))) inline void DivideByZero()
{
    volatile int dividend = 1;
    volatile int divisor = 0;
    volatile int quotient = dividend / divisor;
    (void)quotient;
}

__attribute__((noinline)) inline unsigned Recurse(unsigned depth)
{
    volatile char frame[1024];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    if (depth == ~0u)
        return 0;
    return Recurse(depth + 1) + static_cast<unsigned>(frame[depth % sizeof frame]);
}

inline void OverflowStack()
{
    volatile unsigned sink = Recurse(0);
    (void)sink;
}

inline void ExecuteIllegalInstruction()
{
    __builtin_trap();
}

inline void HitBreakpoint()
{
#if defined(__x86_64__) || defined(__i386__)
    asm volatile("int3");
#else
    std::raise(SIGTRAP);
#endif
}

inline void Abort()
{
    std::abort();
}

struct RealFault {
    const char* name;
    void (*raiseFault)();
};

inline const std::vector<RealFault> kRealFaults = {
    {"NullPointerWrite", WriteThroughNullPointer},
    {"IntegerDivisionByZero", DivideByZero},
    {"StackOverflow", OverflowStack},
    {"IllegalInstruction", ExecuteIllegalInstruction},
    {"Breakpoint", HitBreakpoint},
#if !defined(_WIN32)
    // On Windows abort() ends the process by itself; it raises nothing to catch.
    {"Abort", Abort},
#endif
};

inline std::string RealFaultName(const ::testing::TestParamInfo<RealFault>& info)
{
    return info.param.name;
}

} // namespace guard_testing

// The simulated driver library: the eleven exports of the maker's OX9162 library and
// nothing else. Each export counts and logs its call, carries out a fault injected
// for it, and otherwise does its work on the simulator's state in libkovra_sim.so.
//
// The library is also built once without each export (KOVRA_SIM_WITHOUT_<name>), so
// that a caller's handling of a missing export can be tried.

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "cards/driver_api.h"
#include "simulator.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// The exports and their undecorated names are listed in a .def file of each build.
#define KOVRA_EXPORT extern "C"
#else
#define KOVRA_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using kovra_sim::DriverFunction;
using kovra_sim::OutPointer;
using kovra_sim::Value;

// The faults are carried out for real, so that the caller meets what a broken driver
// would do to it. The sanitizers are kept out of these functions: they would report
// the undefined behaviour themselves instead of letting the processor fault.

__attribute__((noinline, no_sanitize("address", "undefined"))) void WriteThroughNullPointer()
{
    // Both volatile: the pointer, so that the compiler cannot see the null and put a
    // trap instruction (SIGILL, not SIGSEGV) in place of the store; the target, so that
    // an optimising build cannot drop the store as one nobody reads.
    volatile int* volatile target = nullptr;
    *target = 0x5A;
}

__attribute__((noinline, no_sanitize("undefined"))) void DivideByZero()
{
    // An integer division: x86 raises its divide error (SIGFPE) only for integers.
    // volatile operands keep the division from being folded away.
    volatile int dividend = 1;
    volatile int divisor = 0;
    volatile int quotient = dividend / divisor;
    (void)quotient;
}

__attribute__((noinline)) std::uint32_t Recurse(std::uint32_t depth)
{
    volatile std::uint8_t frame[512];
    frame[depth % sizeof frame] = static_cast<std::uint8_t>(depth);
    if (depth == 0xFFFFFFFFu)
        return 0;
    // Using the frame after the call keeps it from being a tail call, which the
    // compiler would turn into a loop that never overflows.
    return Recurse(depth + 1) + frame[depth % sizeof frame];
}

void OverflowStack()
{
    volatile std::uint32_t sink = Recurse(0);
    (void)sink;
}

#if defined(_WIN32)
// What a driver built with Visual C++ does to its caller when a C++ exception leaves
// it: that compiler's runtime raises the exception as structured exception
// 0xE06D7363, which only Visual C++ code knows as a C++ exception. (An exception of
// our own compiler cannot cross from the DLL into a program on x86 at all: each
// module carries its own unwinder, which knows only its own module's frames.)
[[noreturn]] void RaiseVisualCppException(DriverFunction function)
{
    constexpr DWORD kVisualCppException = 0xE06D7363;
    constexpr ULONG_PTR kMagic = 0x19930520;
    static std::string what;
    what = "simulated fault in " + std::string(kovra_sim::ExportName(function));
    const ULONG_PTR arguments[] = {kMagic, reinterpret_cast<ULONG_PTR>(&what), 0,
#if defined(_WIN64)
                                   reinterpret_cast<ULONG_PTR>(::GetModuleHandleW(nullptr)),
#endif
    };
    ::RaiseException(kVisualCppException, EXCEPTION_NONCONTINUABLE,
                     sizeof arguments / sizeof arguments[0], arguments);
    std::abort();
}
#endif

template <typename Work>
std::uint32_t Simulate(DriverFunction function,
                       std::initializer_list<kovra_sim::CallArgument> arguments, Work work)
{
    const kovra_sim::InjectedFault fault = kovra_sim::BeginCall(function, arguments);
    switch (fault.kind) {
    case KOVRA_SIM_FAULT_NONE:
        break;
    case KOVRA_SIM_FAULT_STATUS:
        return fault.status;
    case KOVRA_SIM_FAULT_SEGV:
        WriteThroughNullPointer();
        break;
    case KOVRA_SIM_FAULT_DIVIDE_BY_ZERO:
        DivideByZero();
        break;
    case KOVRA_SIM_FAULT_EXCEPTION:
#if defined(_WIN32)
        RaiseVisualCppException(function);
#else
        // Thrown across the C boundary on purpose: a driver written in C++ can do
        // this to its caller.
        throw std::runtime_error("simulated fault in " + std::string(kovra_sim::ExportName(function)));
#endif
    case KOVRA_SIM_FAULT_STACK_OVERFLOW:
        OverflowStack();
        break;
    }
    return work();
}

} // namespace

// Each export is checked against the type the program calls it through.

#ifndef KOVRA_SIM_WITHOUT_OX9162_InterfaceVersion
KOVRA_EXPORT std::uint32_t KOVRA_CALL OX9162_InterfaceVersion()
{
    return Simulate(DriverFunction::InterfaceVersion, {}, [] { return kovra_sim::InterfaceVersion(); });
}
static_assert(std::is_same_v<decltype(&OX9162_InterfaceVersion), driver::InterfaceVersionFn>);
#endif

#ifndef KOVRA_SIM_WITHOUT_OX9162_DriverVersion
KOVRA_EXPORT std::uint32_t KOVRA_CALL OX9162_DriverVersion(std::uint32_t* version)
{
    return Simulate(DriverFunction::DriverVersion, {OutPointer()},
                    [=] { return kovra_sim::DriverVersion(version); });
}
static_assert(std::is_same_v<decltype(&OX9162_DriverVersion), driver::DriverVersionFn>);
#endif

#ifndef KOVRA_SIM_WITHOUT_OX9162_CardsInSystem
KOVRA_EXPORT std::uint32_t KOVRA_CALL OX9162_CardsInSystem(std::uint32_t* count)
{
    return Simulate(DriverFunction::CardsInSystem, {OutPointer()},
                    [=] { return kovra_sim::CardsInSystem(count); });
}
static_assert(std::is_same_v<decltype(&OX9162_CardsInSystem), driver::CardsInSystemFn>);
#endif

#ifndef KOVRA_SIM_WITHOUT_OX9162_Card_DID
KOVRA_EXPORT std::uint32_t KOVRA_CALL OX9162_Card_DID(std::uint32_t index, std::uint32_t* did)
{
    return Simulate(DriverFunction::CardDid, {Value(index), OutPointer()},
                    [=] { return kovra_sim::CardDid(index, did); });
}
static_assert(std::is_same_v<decltype(&OX9162_Card_DID), driver::CardDidFn>);
#endif

#ifndef KOVRA_SIM_WITHOUT_OX9162_Card_BUS
KOVRA_EXPORT std::uint32_t KOVRA_CALL OX9162_Card_BUS(std::uint32_t index, std::uint32_t* bus)
{
    return Simulate(DriverFunction::CardBus, {Value(index), OutPointer()},
                    [=] { return kovra_sim::CardBus(index, bus); });
}
static_assert(std::is_same_v<decltype(&OX9162_Card_BUS), driver::CardBusFn>);
#endif

#ifndef KOVRA_SIM_WITHOUT_OX9162_Card_SLOT
KOVRA_EXPORT std::uint32_t KOVRA_CALL OX9162_Card_SLOT(std::uint32_t index, std::uint32_t* slot)
{
    return Simulate(DriverFunction::CardSlot, {Value(index), OutPointer()},
                    [=] { return kovra_sim::CardSlot(index, slot); });
}
static_assert(std::is_same_v<decltype(&OX9162_Card_SLOT), driver::CardSlotFn>);
#endif

#ifndef KOVRA_SIM_WITHOUT_OX9162_Open
// The second argument's meaning is the maker's; the program always passes 0.
KOVRA_EXPORT std::uint32_t KOVRA_CALL OX9162_Open(std::uint32_t index, std::uint32_t mode)
{
    return Simulate(DriverFunction::Open, {Value(index), Value(mode)},
                    [=] { return kovra_sim::Open(index); });
}
static_assert(std::is_same_v<decltype(&OX9162_Open), driver::OpenFn>);
#endif

#ifndef KOVRA_SIM_WITHOUT_OX9162_BAR4_BaseAdr
KOVRA_EXPORT std::uint32_t KOVRA_CALL OX9162_BAR4_BaseAdr(std::uint32_t index, std::uint32_t* base,
                                                          std::uint32_t* extra)
{
    return Simulate(DriverFunction::Bar4BaseAdr, {Value(index), OutPointer(), OutPointer()},
                    [=] { return kovra_sim::Bar4BaseAdr(index, base, extra); });
}
static_assert(std::is_same_v<decltype(&OX9162_BAR4_BaseAdr), driver::Bar4BaseAdrFn>);
#endif

#ifndef KOVRA_SIM_WITHOUT_OX9162_EEPROM_WR
KOVRA_EXPORT std::uint32_t KOVRA_CALL OX9162_EEPROM_WR(std::uint32_t index, std::uint32_t address,
                                                       std::uint32_t word)
{
    return Simulate(DriverFunction::EepromWr, {Value(index), Value(address), Value(word)},
                    [=] { return kovra_sim::EepromWrite(index, address, word); });
}
static_assert(std::is_same_v<decltype(&OX9162_EEPROM_WR), driver::EepromWrFn>);
#endif

#ifndef KOVRA_SIM_WITHOUT_OX9162_EEPROM_RD
KOVRA_EXPORT std::uint32_t KOVRA_CALL OX9162_EEPROM_RD(std::uint32_t index, std::uint32_t address,
                                                       std::uint16_t* word)
{
    return Simulate(DriverFunction::EepromRd, {Value(index), Value(address), OutPointer()},
                    [=] { return kovra_sim::EepromRead(index, address, word); });
}
static_assert(std::is_same_v<decltype(&OX9162_EEPROM_RD), driver::EepromRdFn>);
#endif

#ifndef KOVRA_SIM_WITHOUT_OX9162_Close
KOVRA_EXPORT std::uint32_t KOVRA_CALL OX9162_Close(std::uint32_t index)
{
    return Simulate(DriverFunction::Close, {Value(index)}, [=] { return kovra_sim::Close(index); });
}
static_assert(std::is_same_v<decltype(&OX9162_Close), driver::CloseFn>);
#endif

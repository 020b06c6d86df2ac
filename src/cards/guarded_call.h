#pragma once

// Every call into the driver library follows one rule: look the export up by name
// right before the call (no address is ever kept), call it under the fault guard,
// and test its status against 0. Each way of failing has one status-line text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cards/driver_api.h"
#include "platform/fault_guard.h"
#include "platform/module.h"

namespace cards {

// The status-line text of a failed path; empty when the path succeeded.
using Failure = std::optional<std::string>;

std::string LoadLibraryFailureText();
std::string LookupFailureText(std::string_view exportName);
std::string ExceptionFailureText(std::string_view exportName);
// `status` is written as an unsigned decimal number: 0xFFFFFFFF reads 4294967295.
std::string StatusFailureText(std::string_view exportName, std::uint32_t status);

// Looks an export up in the library; null when the library has none of that name.
template <typename FunctionPointer>
FunctionPointer LookUp(platform::ModuleHandle library, driver::Export<FunctionPointer> function)
{
    return reinterpret_cast<FunctionPointer>(platform::GetProcAddress(library, function.name));
}

// Runs `calls` under one guard. `calls` makes one or more calls of `function` and
// returns the first status other than 0, or 0 when all of them succeeded.
template <typename FunctionPointer, typename Calls>
Failure CallGuarded(driver::Export<FunctionPointer> function, Calls&& calls)
{
    // volatile: the value is stored inside the guard, which may leave by a long jump.
    volatile std::uint32_t status = 0;
    if (platform::RunGuarded([&] { status = calls(); }) != platform::GuardOutcome::Returned)
        return ExceptionFailureText(function.name);
    if (status != 0)
        return StatusFailureText(function.name, status);
    return std::nullopt;
}

// The plain rule: lookup, one guarded call with `arguments`, status test.
template <typename FunctionPointer, typename... Arguments>
Failure GuardedCall(platform::ModuleHandle library, driver::Export<FunctionPointer> function,
                    Arguments... arguments)
{
    const FunctionPointer address = LookUp(library, function);
    if (address == nullptr)
        return LookupFailureText(function.name);
    return CallGuarded(function, [&] { return address(arguments...); });
}

} // namespace cards

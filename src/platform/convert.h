#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Converts "0x" followed by one or more hexadecimal digits (either case) and nothing
// else to a number. Leading zeros are allowed in any number; a value above 0xFFFFFFFF,
// a blank, a sign or any other character throws EConvertError with the message
// "'<text>' is not a valid integer value", <text> being the string as given.
std::uint32_t HexStrToInt(std::string_view text);

// Upper-case hexadecimal with at least `minDigits` digits, padded with zeros.
std::string IntToHex(std::uint32_t value, int minDigits);

} // namespace platform

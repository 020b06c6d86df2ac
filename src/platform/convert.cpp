#include "convert.h"

#include "errors.h"

namespace platform {

namespace {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

[[noreturn]] void ThrowNotAnInteger(std::string_view text)
{
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

} // namespace

std::uint32_t HexStrToInt(std::string_view text)
{
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        ThrowNotAnInteger(text);

    std::uint64_t value = 0;
    for (char c : text.substr(2)) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            ThrowNotAnInteger(text);
        value = value * 16 + static_cast<unsigned>(digit);
        // Checked per digit, so that any number of leading zeros is fine and a long
        // string of significant digits cannot wrap around.
        if (value > 0xFFFFFFFFu)
            ThrowNotAnInteger(text);
    }
    return static_cast<std::uint32_t>(value);
}

std::string IntToHex(std::uint32_t value, int minDigits)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (static_cast<int>(text.size()) < minDigits)
        text.insert(0, static_cast<std::size_t>(minDigits) - text.size(), '0');
    return text;
}

} // namespace platform

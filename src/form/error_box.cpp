#include "form/error_box.h"

#include <cstddef>

namespace form {

namespace {

constexpr std::size_t kKeptCharacters = 8000;

bool IsContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

std::string ErrorBoxText(std::string_view message)
{
    // The last byte of a character from 0x80 up is itself 0x80 or more, which sorts
    // after "." too.
    if (message.empty() || static_cast<unsigned char>(message.back()) <= '.')
        return std::string(message);
    return std::string(message) + '.';
}

std::string ShortenForErrorBox(std::string_view text)
{
    std::size_t characters = 0;
    for (const char byte : text)
        characters += IsContinuationByte(byte) ? 0 : 1;
    if (characters <= 2 * kKeptCharacters + 1)
        return std::string(text);

    // The cuts fall between characters, never inside one.
    std::size_t headEnd = 0;
    for (std::size_t kept = 0; headEnd < text.size(); ++headEnd) {
        if (!IsContinuationByte(text[headEnd]) && kept++ == kKeptCharacters)
            break;
    }
    std::size_t tailStart = text.size();
    for (std::size_t kept = 0; kept < kKeptCharacters;) {
        --tailStart;
        if (!IsContinuationByte(text[tailStart]))
            ++kept;
    }
    return std::string(text.substr(0, headEnd)) + "\u2026" + std::string(text.substr(tailStart));
}

} // namespace form

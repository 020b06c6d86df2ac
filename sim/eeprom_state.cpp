#include "eeprom_state.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "state_file.h"

namespace kovra_sim {

namespace {

constexpr std::string_view kHeader = "kovra-ox9162-eeprom 256";
constexpr std::string_view kEndMarker = "end";
constexpr std::size_t kWordsPerLine = 16;

std::string_view Trim(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::optional<unsigned> ParseHex(std::string_view text, std::size_t digits)
{
    if (text.size() != digits)
        return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

// "20: ffff 8012 ..." holding the words from `address` on.
bool ParseWordLine(std::string_view line, std::size_t address, EepromWords& words)
{
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::optional<unsigned> lineAddress = ParseHex(line.substr(0, colon), 2);
    if (!lineAddress || *lineAddress != address)
        return false;

    std::string_view rest = line.substr(colon + 1);
    for (std::size_t i = 0; i < kWordsPerLine; ++i) {
        if (rest.empty() || rest.front() != ' ')
            return false;
        const std::optional<unsigned> word = ParseHex(rest.substr(1, 4), 4);
        if (!word)
            return false;
        words[address + i] = static_cast<std::uint16_t>(*word);
        rest.remove_prefix(5);
    }
    return rest.empty();
}

} // namespace

std::string StateFileName(std::uint32_t bus, std::uint32_t slot)
{
    return "bus" + std::to_string(bus) + "-slot" + std::to_string(slot) + ".eeprom";
}

std::string FormatEepromState(const EepromWords& words, std::uint32_t bus, std::uint32_t slot)
{
    std::string text = "# EEPROM of the simulated OX9162 card on bus " + std::to_string(bus) +
                       ", slot " + std::to_string(slot) +
                       ":\n# 256 16-bit words, 16 to a line, in hexadecimal.\n";
    text += kHeader;
    text += '\n';
    char buffer[8];
    for (std::size_t address = 0; address < words.size(); address += kWordsPerLine) {
        std::snprintf(buffer, sizeof buffer, "%02x:", static_cast<unsigned>(address & 0xFF));
        text += buffer;
        for (std::size_t i = 0; i < kWordsPerLine; ++i) {
            std::snprintf(buffer, sizeof buffer, " %04x", static_cast<unsigned>(words[address + i]));
            text += buffer;
        }
        text += '\n';
    }
    text += kEndMarker;
    text += '\n';
    return text;
}

std::optional<EepromWords> ParseEepromState(std::string_view text)
{
    enum class Expect { Header, Words, End, Nothing } expect = Expect::Header;
    EepromWords words{};
    std::size_t address = 0;

    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        const std::string_view line = Trim(text.substr(0, newline));
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        if (line.empty() || line.front() == '#')
            continue;

        switch (expect) {
        case Expect::Header:
            if (line != kHeader)
                return std::nullopt;
            expect = Expect::Words;
            break;
        case Expect::Words:
            if (!ParseWordLine(line, address, words))
                return std::nullopt;
            address += kWordsPerLine;
            if (address == words.size())
                expect = Expect::End;
            break;
        case Expect::End:
            if (line != kEndMarker)
                return std::nullopt;
            expect = Expect::Nothing;
            break;
        case Expect::Nothing:
            return std::nullopt;
        }
    }
    if (expect != Expect::Nothing)
        return std::nullopt;
    return words;
}

LoadedState LoadEepromState(const std::string& directory, std::uint32_t bus, std::uint32_t slot)
{
    LoadedState state{StateFileOutcome::Missing, {}};
    state.words.fill(KOVRA_SIM_ERASED_WORD);

    const std::filesystem::path path =
        std::filesystem::path(directory) / StateFileName(bus, slot);
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return state;

    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    std::optional<EepromWords> words;
    if (file && content)
        words = ParseEepromState(content.str());
    if (!words) {
        state.outcome = StateFileOutcome::Garbled;
        return state;
    }
    state.outcome = StateFileOutcome::Loaded;
    state.words = *words;
    return state;
}

bool SaveEepromState(const std::string& directory, std::uint32_t bus, std::uint32_t slot,
                     const EepromWords& words, std::string& error)
{
    std::error_code directoryError;
    std::filesystem::create_directories(directory, directoryError);
    if (directoryError) {
        error = "cannot create " + directory + ": " + directoryError.message();
        return false;
    }

    return ReplaceFileAtomically(directory, StateFileName(bus, slot),
                                 FormatEepromState(words, bus, slot), error);
}

} // namespace kovra_sim

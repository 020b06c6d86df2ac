#include "rack_file.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <utility>

namespace kovra_sim {

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> SplitWords(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t position = 0;
    while (true) {
        const std::size_t start = text.find_first_not_of(kBlanks, position);
        if (start == std::string_view::npos)
            break;
        std::size_t end = text.find_first_of(kBlanks, start);
        if (end == std::string_view::npos)
            end = text.size();
        words.push_back(text.substr(start, end - start));
        position = end;
    }
    return words;
}

int DigitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

// "0x1F" or "31"; a leading zero does not make a number octal.
std::optional<std::uint32_t> ParseNumber(std::string_view text)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

ParsedRackLine Bad(std::string error)
{
    return {std::nullopt, std::move(error)};
}

ParsedRackLine Good(RackLine line)
{
    return {std::move(line), {}};
}

// Fills `numbers` from `words`; false names the first word that is no number.
bool ParseNumbers(const std::vector<std::string_view>& words, std::size_t first,
                  std::vector<std::uint32_t>& numbers, std::string& error)
{
    for (std::size_t i = first; i < words.size(); ++i) {
        const std::optional<std::uint32_t> number = ParseNumber(words[i]);
        if (!number) {
            error = "not a 32-bit number: '" + std::string(words[i]) + "'";
            return false;
        }
        numbers.push_back(*number);
    }
    return true;
}

ParsedRackLine ParseCard(const std::vector<std::string_view>& words)
{
    if (words.size() != 4 && words.size() != 6)
        return Bad("expected: card <did> <bus> <slot> [<bar4_base> <bar4_extra>]");
    std::vector<std::uint32_t> numbers;
    std::string error;
    if (!ParseNumbers(words, 1, numbers, error))
        return Bad(error);
    RackCard card{numbers[0], numbers[1], numbers[2], DefaultBar4Base(numbers[1], numbers[2]),
                  kDefaultBar4Extra};
    if (numbers.size() == 5) {
        card.bar4Base = numbers[3];
        card.bar4Extra = numbers[4];
    }
    return Good(card);
}

ParsedRackLine ParseWord(const std::vector<std::string_view>& words)
{
    if (words.size() != 4)
        return Bad("expected: word <card> <address> <value>");
    std::vector<std::uint32_t> numbers;
    std::string error;
    if (!ParseNumbers(words, 1, numbers, error))
        return Bad(error);
    if (numbers[1] >= KOVRA_SIM_EEPROM_WORDS)
        return Bad("EEPROM address beyond the last word: " + std::string(words[2]));
    if (numbers[2] > 0xFFFF)
        return Bad("EEPROM word wider than 16 bits: " + std::string(words[3]));
    return Good(RackWord{numbers[0], numbers[1], static_cast<std::uint16_t>(numbers[2])});
}

ParsedRackLine ParseFault(const std::vector<std::string_view>& words)
{
    constexpr const char* usage =
        "expected: fault <export> <status N|segv|divzero|exception|overflow|none> [on-call N]";
    if (words.size() < 3)
        return Bad(usage);
    const std::optional<DriverFunction> function = FindDriverFunction(words[1]);
    if (!function)
        return Bad("no driver function named '" + std::string(words[1]) + "'");

    RackFault fault{*function, KOVRA_SIM_FAULT_NONE, 0, 0};
    std::size_t next = 3;
    const std::string_view kind = words[2];
    if (kind == "status") {
        if (words.size() < 4)
            return Bad(usage);
        const std::optional<std::uint32_t> status = ParseNumber(words[3]);
        if (!status)
            return Bad("not a 32-bit number: '" + std::string(words[3]) + "'");
        fault.kind = KOVRA_SIM_FAULT_STATUS;
        fault.status = *status;
        next = 4;
    } else if (kind == "segv") {
        fault.kind = KOVRA_SIM_FAULT_SEGV;
    } else if (kind == "divzero") {
        fault.kind = KOVRA_SIM_FAULT_DIVIDE_BY_ZERO;
    } else if (kind == "exception") {
        fault.kind = KOVRA_SIM_FAULT_EXCEPTION;
    } else if (kind == "overflow") {
        fault.kind = KOVRA_SIM_FAULT_STACK_OVERFLOW;
    } else if (kind == "none") {
        fault.kind = KOVRA_SIM_FAULT_NONE;
    } else {
        return Bad("unknown fault '" + std::string(kind) + "'");
    }

    if (words.size() == next)
        return Good(fault);
    if (words.size() != next + 2 || words[next] != "on-call")
        return Bad(usage);
    const std::optional<std::uint32_t> onCall = ParseNumber(words[next + 1]);
    if (!onCall)
        return Bad("not a 32-bit number: '" + std::string(words[next + 1]) + "'");
    fault.onCall = *onCall;
    return Good(fault);
}

} // namespace

ParsedRackLine ParseRackLine(std::string_view text)
{
    const std::size_t comment = text.find('#');
    if (comment != std::string_view::npos)
        text = text.substr(0, comment);
    text = Trim(text);
    const std::vector<std::string_view> words = SplitWords(text);
    if (words.empty())
        return Good(std::monostate{});

    const std::string_view keyword = words[0];
    if (keyword == "card")
        return ParseCard(words);
    if (keyword == "word")
        return ParseWord(words);
    if (keyword == "fault")
        return ParseFault(words);
    if (keyword == "count") {
        if (words.size() != 2)
            return Bad("expected: count <n>");
        const std::optional<std::uint32_t> count = ParseNumber(words[1]);
        if (!count)
            return Bad("not a 32-bit number: '" + std::string(words[1]) + "'");
        return Good(RackCount{*count});
    }
    if (keyword == "versions") {
        if (words.size() != 3)
            return Bad("expected: versions <interface> <driver>");
        const std::optional<std::uint32_t> interfaceVersion = ParseNumber(words[1]);
        const std::optional<std::uint32_t> driverVersion = ParseNumber(words[2]);
        if (!interfaceVersion || !driverVersion)
            return Bad("versions must be 32-bit numbers");
        return Good(RackVersions{*interfaceVersion, *driverVersion});
    }
    if (keyword == "state") {
        // The rest of the line, so that a directory may contain blanks.
        const std::string_view directory = Trim(text.substr(keyword.size()));
        if (directory.empty())
            return Bad("expected: state <directory> or state none");
        return Good(RackStateDirectory{directory == "none" ? std::string() : std::string(directory)});
    }
    return Bad("unknown keyword '" + std::string(keyword) + "'");
}

std::optional<RackDescription> ReadRackFile(const std::string& path, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be opened";
        return std::nullopt;
    }

    RackDescription rack;
    std::set<std::pair<std::uint32_t, std::uint32_t>> places;
    std::string text;
    int lineNumber = 0;
    const auto fail = [&](const std::string& reason) {
        error = path + ":" + std::to_string(lineNumber) + ": " + reason;
        return std::nullopt;
    };

    while (std::getline(file, text)) {
        ++lineNumber;
        ParsedRackLine parsed = ParseRackLine(text);
        if (!parsed.line)
            return fail(parsed.error);

        if (const auto* card = std::get_if<RackCard>(&*parsed.line)) {
            if (!places.emplace(card->bus, card->slot).second)
                return fail("a second card on bus " + std::to_string(card->bus) + ", slot " +
                            std::to_string(card->slot));
            rack.cards.push_back(*card);
        } else if (const auto* count = std::get_if<RackCount>(&*parsed.line)) {
            rack.reportedCount = count->count;
        } else if (const auto* versions = std::get_if<RackVersions>(&*parsed.line)) {
            rack.versions = *versions;
        } else if (const auto* state = std::get_if<RackStateDirectory>(&*parsed.line)) {
            std::filesystem::path directory = state->directory;
            if (!directory.empty() && directory.is_relative())
                directory = std::filesystem::path(path).parent_path() / directory;
            rack.stateDirectory = directory.string();
        } else if (const auto* word = std::get_if<RackWord>(&*parsed.line)) {
            if (word->card >= rack.cards.size())
                return fail("word for card " + std::to_string(word->card) +
                            ", which is not described above");
            rack.words.push_back(*word);
        } else if (const auto* fault = std::get_if<RackFault>(&*parsed.line)) {
            rack.faults.push_back(*fault);
        }
    }
    if (file.bad()) {
        error = path + ": read error";
        return std::nullopt;
    }
    return rack;
}

} // namespace kovra_sim

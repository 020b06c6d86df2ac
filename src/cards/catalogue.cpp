#include "cards/catalogue.h"

#include "platform/text_file.h"

#include <algorithm>
#include <array>
#include <utility>

namespace cards {

namespace {

constexpr std::size_t kDidFieldLength = 4;
// The fifth character separates the DID from the name, whatever character it is.
constexpr std::size_t kTypeNameStart = kDidFieldLength + 1;

// Every line of the file goes through the DID field, so its digits are looked up
// in a table rather than sorted out by comparisons; -1 marks a non-digit.
constexpr std::array<std::int8_t, 256> MakeHexDigitValues()
{
    std::array<std::int8_t, 256> values{};
    for (auto& value : values)
        value = -1;
    for (int digit = 0; digit < 10; ++digit)
        values['0' + digit] = static_cast<std::int8_t>(digit);
    for (int digit = 0; digit < 6; ++digit) {
        values['a' + digit] = static_cast<std::int8_t>(10 + digit);
        values['A' + digit] = static_cast<std::int8_t>(10 + digit);
    }
    return values;
}

constexpr std::array<std::int8_t, 256> kHexDigitValues = MakeHexDigitValues();

} // namespace

std::optional<CatalogueEntry> ParseCatalogueLine(std::string_view line)
{
    const std::size_t fieldLength = std::min(line.size(), kDidFieldLength);
    if (fieldLength == 0)
        return std::nullopt;

    std::uint32_t did = 0;
    for (std::size_t i = 0; i < fieldLength; ++i) {
        const int digit = kHexDigitValues[static_cast<unsigned char>(line[i])];
        if (digit < 0)
            return std::nullopt;
        did = did * 16 + static_cast<std::uint32_t>(digit);
    }

    const std::string_view typeName = line.size() > kTypeNameStart
                                          ? std::string_view(line.data() + kTypeNameStart,
                                                             line.size() - kTypeNameStart)
                                          : std::string_view();
    return CatalogueEntry{did, typeName};
}

void LookupCardType(std::uint32_t did, std::string& typeName)
{
    if (!platform::FileExists(kCatalogueFileName)) {
        typeName = kUnknownCardType;
        return;
    }

    // Copied only when a line matches: the lines themselves are views into the
    // reader's buffer and die with the next read.
    std::string pending = kUnknownCardType;
    platform::TextFile file(kCatalogueFileName);
    while (!file.Eof()) {
        try {
            const std::optional<CatalogueEntry> entry = ParseCatalogueLine(file.ReadLine());
            if (entry && entry->did == did)
                pending.assign(entry->typeName);
        } catch (...) {
            // A line that cannot be read (a read error inside it, or no memory to
            // hold it) is dropped like one that is no entry; the next end-of-file
            // test reads on, and reports the error if the file stays unreadable.
        }
    }
    typeName = std::move(pending);
}

} // namespace cards

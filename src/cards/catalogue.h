#pragma once

// The card type catalogue: the optional text file kovra_pcidaq.txt in the current
// directory, one entry per line: a four-digit hexadecimal DID, one separator
// character, then the type name, byte for byte (Windows-1250).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cards {

inline constexpr const char* kCatalogueFileName = "kovra_pcidaq.txt";
inline constexpr const char* kUnknownCardType = "???";

struct CatalogueEntry {
    std::uint32_t did;
    std::string_view typeName;
};

// One catalogue line, without its terminator. The DID field is the first four
// characters, or the whole line if it is shorter; it is valid when it holds one or
// more hexadecimal digits and nothing else. The type name is everything from the
// sixth character on (the fifth is a separator, whatever it is). Lines whose DID
// field is invalid are no entries.
std::optional<CatalogueEntry> ParseCatalogueLine(std::string_view line);

// Sets `typeName` to the name of the last entry for `did` in the catalogue, or to
// "???" when the file is missing or has no such entry. The file is read to its end
// at every call. A failure to open or read it throws platform::EInOutError and
// leaves `typeName` as it was.
void LookupCardType(std::uint32_t did, std::string& typeName);

} // namespace cards

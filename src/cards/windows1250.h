#pragma once

#include <string>
#include <string_view>

namespace cards {

// The catalogue's type names are Windows-1250 bytes; the window shows UTF-8.
std::string Windows1250ToUtf8(std::string_view bytes);

} // namespace cards

#include "eeprom/port_config.h"

#include "cards/form_view.h"

namespace eeprom {

std::optional<std::uint32_t> SelectedCardIndex(const cards::FormView& view)
{
    std::optional<std::uint32_t> index;
    for (int number = 1; number <= 8; ++number) {
        if (view.IsRadioButtonChecked(number) && view.IsRadioButtonVisible(number))
            index = static_cast<std::uint32_t>(number - 1);
    }
    return index;
}

} // namespace eeprom

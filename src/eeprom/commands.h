#pragma once

namespace cards {
class FormView;
}

namespace eeprom {

// "Zapsat do EEPROM": checks the four port values shown in the window and writes the
// five configuration words of the selected card. The outcome goes to the status line;
// a value that is not hexadecimal throws platform::EConvertError instead.
void WritePortConfiguration(cards::FormView& view);

// "Přečíst z EEPROM": reads the five configuration words of the selected card and,
// once all five are read, shows them in the port rows. The outcome goes to the status
// line.
void ReadPortConfiguration(cards::FormView& view);

} // namespace eeprom

#include "eeprom/commands.h"

#include <string>

#include "cards/discovery.h"
#include "cards/form_view.h"
#include "cards/guarded_call.h"
#include "eeprom/port_config.h"
#include "platform/convert.h"

namespace eeprom {

namespace {

constexpr const char* kNoCardSelected = "Nebyla vybrána programovaná karta";

std::string PortText(const char* prefix, int port, const char* suffix)
{
    return prefix + std::to_string(port) + suffix;
}

} // namespace

void WritePortConfiguration(cards::FormView& view)
{
    const std::optional<std::uint32_t> card = SelectedCardIndex(view);
    if (!card) {
        view.SetStatusText(kNoCardSelected);
        return;
    }

    // Every edit is tested for text before any of them is converted.
    for (int port = 1; port <= 4; ++port) {
        if (view.EditText(port).empty()) {
            view.SetStatusText(PortText("Nezadána hodnota port ", port, ""));
            return;
        }
    }

    // Each port is converted and range-tested before the next one is read. The
    // conversion error is left to the application's error box.
    std::array<std::uint16_t, 5> words{};
    for (int port = 1; port <= 4; ++port) {
        const std::uint32_t value = platform::HexStrToInt("0x" + view.EditText(port));
        if (value > 0xFF) {
            view.SetStatusText(PortText("Hodnota port ", port, " není v rozmezí 0 - 0xFF"));
            return;
        }
        words[port - 1] = EncodePortValue(static_cast<std::uint8_t>(value));
    }

    using cards::Failure;
    const platform::ModuleHandle library = cards::LibHandle;
    if (Failure failure = cards::GuardedCall(library, driver::OX9162_Open, *card, 0u)) {
        view.SetStatusText(*failure);
        return;
    }

    std::uint16_t directions = 0;
    for (int port = 1; port <= 4; ++port) {
        if (view.IsRadioButtonChecked(OutButton(port)))
            directions |= static_cast<std::uint16_t>(1u << (port - 1));
    }
    words[4] = directions;

    // One lookup and one guard for the five writes; a failing write ends the chain
    // and leaves the card open, with the words before it written.
    const auto eepromWrite = cards::LookUp(library, driver::OX9162_EEPROM_WR);
    if (eepromWrite == nullptr) {
        view.SetStatusText(cards::LookupFailureText(driver::OX9162_EEPROM_WR.name));
        return;
    }
    if (Failure failure = cards::CallGuarded(driver::OX9162_EEPROM_WR, [&] {
            for (std::size_t i = 0; i < words.size(); ++i) {
                if (const std::uint32_t status = eepromWrite(*card, kConfigurationAddresses[i], words[i]))
                    return status;
            }
            return 0u;
        })) {
        view.SetStatusText(*failure);
        return;
    }

    if (Failure failure = cards::GuardedCall(library, driver::OX9162_Close, *card)) {
        view.SetStatusText(*failure);
        return;
    }
    view.SetStatusText("Karta naprogramována");
}

void ReadPortConfiguration(cards::FormView& view)
{
    const std::optional<std::uint32_t> card = SelectedCardIndex(view);
    if (!card) {
        view.SetStatusText(kNoCardSelected);
        return;
    }

    using cards::Failure;
    const platform::ModuleHandle library = cards::LibHandle;
    if (Failure failure = cards::GuardedCall(library, driver::OX9162_Open, *card, 0u)) {
        view.SetStatusText(*failure);
        return;
    }

    const auto eepromRead = cards::LookUp(library, driver::OX9162_EEPROM_RD);
    if (eepromRead == nullptr) {
        view.SetStatusText(cards::LookupFailureText(driver::OX9162_EEPROM_RD.name));
        return;
    }
    std::array<std::uint16_t, 5> words{};
    if (Failure failure = cards::CallGuarded(driver::OX9162_EEPROM_RD, [&] {
            for (std::size_t i = 0; i < words.size(); ++i) {
                if (const std::uint32_t status = eepromRead(*card, kConfigurationAddresses[i], &words[i]))
                    return status;
            }
            return 0u;
        })) {
        view.SetStatusText(*failure);
        return;
    }

    // The window shows the words before the card is closed, so a failing close
    // leaves them on show beside its text.
    for (int port = 1; port <= 4; ++port)
        view.SetEditText(port, platform::IntToHex(DecodePortValue(words[port - 1]), 2));
    for (int port = 1; port <= 4; ++port)
        view.CheckRadioButton(IsPortOut(words[4], port) ? OutButton(port) : InButton(port));

    if (Failure failure = cards::GuardedCall(library, driver::OX9162_Close, *card)) {
        view.SetStatusText(*failure);
        return;
    }
    view.SetStatusText("Karta přečtena");
}

} // namespace eeprom

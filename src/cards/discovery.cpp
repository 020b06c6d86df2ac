#include "cards/discovery.h"

#include "cards/catalogue.h"
#include "cards/form_view.h"
#include "cards/guarded_call.h"
#include "cards/windows1250.h"
#include "platform/convert.h"

namespace cards {

std::uint32_t InterfaceVersion = 0;
std::uint32_t DriverVersion = 0;
platform::ModuleHandle LibHandle = nullptr;
std::uint32_t CardCount = 0;
std::array<TKarta, 16> Cards;

namespace {

constexpr int kTypeColumn = 1;
constexpr int kDidColumn = 2;
constexpr int kBusColumn = 3;
constexpr int kSlotColumn = 4;
constexpr int kSelectionColumn = 5;

void WriteHeadings(FormView& view)
{
    static constexpr const char* headings[] = {"    Index", "Typ", "DID", "Bus", "Slot", "Výběr karty"};
    for (int column = 0; column < 6; ++column)
        view.SetCellText(column, 0, headings[column]);
    for (int n = 0; n < 8; ++n)
        view.SetCellText(0, n + 1, "       " + std::to_string(n));
}

void ResetDriverState()
{
    InterfaceVersion = 0;
    DriverVersion = 0;
    LibHandle = nullptr;
    CardCount = 0;
    Cards.fill(TKarta{});
}

void ListCard(FormView& view, std::uint32_t index)
{
    const TKarta& card = Cards[index];
    const int row = static_cast<int>(index) + 1;
    view.SetCellText(kTypeColumn, row, Windows1250ToUtf8(card.TypeName));
    view.SetCellText(kDidColumn, row, platform::IntToHex(card.DID, 4));
    view.SetCellText(kBusColumn, row, std::to_string(card.Bus));
    view.SetCellText(kSlotColumn, row, std::to_string(card.Slot));
    if (card.DID == kSupportedDid) {
        view.SetRadioButtonEnabled(row, true);
        view.SetRadioButtonVisible(row, true);
    } else {
        view.SetCellText(kSelectionColumn, row, "nelze");
    }
}

} // namespace

bool LoadDriver(std::string& message)
{
    LibHandle = platform::LoadLibraryA(driver::kLibraryFileName);
    if (LibHandle == nullptr) {
        message = LoadLibraryFailureText();
        return false;
    }

    // The interface version is a value, not a status: whatever it is, it is kept.
    const auto interfaceVersion = LookUp(LibHandle, driver::OX9162_InterfaceVersion);
    if (interfaceVersion == nullptr) {
        message = LookupFailureText(driver::OX9162_InterfaceVersion.name);
        return false;
    }
    if (Failure failure = CallGuarded(driver::OX9162_InterfaceVersion, [&] {
            InterfaceVersion = interfaceVersion();
            return 0u;
        })) {
        message = *failure;
        return false;
    }

    std::uint32_t version = 0;
    if (Failure failure = GuardedCall(LibHandle, driver::OX9162_DriverVersion, &version)) {
        message = *failure;
        return false;
    }
    DriverVersion = version;

    std::uint32_t count = 0;
    if (Failure failure = GuardedCall(LibHandle, driver::OX9162_CardsInSystem, &count)) {
        message = *failure;
        return false;
    }
    CardCount = count;

    message = "Ok";
    return true;
}

bool ProbeCard(std::uint32_t index, std::string& message)
{
    TKarta& card = Cards[index];
    card.LibHandle = LibHandle;
    card.LibName = driver::kLibraryFileName;
    card.Index = static_cast<std::int32_t>(index);

    const auto fail = [&message](const std::string& text) {
        message = text;
        return false;
    };

    std::uint32_t did = 0;
    if (Failure failure = GuardedCall(LibHandle, driver::OX9162_Card_DID, index, &did))
        return fail(*failure);
    card.DID = did;
    LookupCardType(did, card.TypeName);

    std::uint32_t bus = 0;
    if (Failure failure = GuardedCall(LibHandle, driver::OX9162_Card_BUS, index, &bus))
        return fail(*failure);
    card.Bus = bus;

    std::uint32_t slot = 0;
    if (Failure failure = GuardedCall(LibHandle, driver::OX9162_Card_SLOT, index, &slot))
        return fail(*failure);
    card.Slot = slot;

    if (Failure failure = GuardedCall(LibHandle, driver::OX9162_Open, index, 0u))
        return fail(*failure);
    card.Opened = true;

    // A BAR4 status other than 0 is no failure: both values then count as 0.
    const auto bar4BaseAdr = LookUp(LibHandle, driver::OX9162_BAR4_BaseAdr);
    if (bar4BaseAdr == nullptr)
        return fail(LookupFailureText(driver::OX9162_BAR4_BaseAdr.name));
    std::uint32_t bar4Status = 0;
    std::uint32_t base = 0;
    std::uint32_t extra = 0;
    if (Failure failure = CallGuarded(driver::OX9162_BAR4_BaseAdr, [&] {
            bar4Status = bar4BaseAdr(index, &base, &extra);
            return 0u;
        }))
        return fail(*failure);
    card.Bar4Base = bar4Status == 0 ? base : 0;
    card.Bar4Extra = bar4Status == 0 ? extra : 0;

    if (Failure failure = GuardedCall(LibHandle, driver::OX9162_Close, index))
        return fail(*failure);
    card.Opened = false;

    message = "Ok";
    return true;
}

void DiscoverCards(FormView& view)
{
    WriteHeadings(view);
    // Column 12 lies outside the six-column list: no cell is shown selected.
    view.SetGridSelection(12, 0, 12, 0);
    for (int number = 1; number <= 8; ++number) {
        view.SetRadioButtonEnabled(number, false);
        view.SetRadioButtonVisible(number, false);
    }
    for (int number = 1; number <= 4; ++number)
        view.SetEditText(number, "00");
    ResetDriverState();

    std::string message;
    if (!LoadDriver(message)) {
        view.SetStatusText(message);
        return;
    }
    if (CardCount == 0) {
        view.SetStatusText("Nenalezena žádná karta s OX9162");
        return;
    }
    if (CardCount > kMaxCards)
        CardCount = kMaxCards;

    for (std::uint32_t index = 0; index < CardCount; ++index) {
        if (!ProbeCard(index, message)) {
            view.SetStatusText(message);
            return;
        }
        ListCard(view, index);
    }
    view.SetStatusText("Ok");
}

} // namespace cards

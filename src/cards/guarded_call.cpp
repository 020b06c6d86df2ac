#include "cards/guarded_call.h"

namespace cards {

std::string LoadLibraryFailureText()
{
    return "Chyba natažení knihovny (LoadLibrary)";
}

std::string LookupFailureText(std::string_view exportName)
{
    return "Chyba načtení funkce " + std::string(exportName) + " (GetProcAddress)";
}

std::string ExceptionFailureText(std::string_view exportName)
{
    return "Chyba volání funkce " + std::string(exportName) + " (vyjímka)";
}

std::string StatusFailureText(std::string_view exportName, std::uint32_t status)
{
    return "Chyba volání funkce " + std::string(exportName) + " (návratový kód=" +
           std::to_string(status) + ")";
}

} // namespace cards

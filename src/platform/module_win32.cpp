#include "platform/module.h"

#include "windows_api.h"

#include <string>

namespace platform {

namespace {

// The standard search order, less the current directory: the program's own folder,
// the system folders, the Windows folder and PATH. A driver installed beside the
// program, into the system folder or on PATH loads as it always did, but a DLL of the
// driver's name that someone put into whatever folder the program was started from
// does not.
//
// The folder given to SetDllDirectory takes the current directory's place in the
// order. Giving the program's own folder, which comes first anyway, takes the current
// directory out and adds nothing. (An empty string is documented to do the same, but
// Wine takes it for the current directory.) The setting is the process's; the
// program loads its one library once, at start-up.
void TakeCurrentDirectoryOutOfDllSearch()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return;
    // With its separator, so that a program in a drive's root names C:\ and not C:
    path.resize(separator + 1);
    ::SetDllDirectoryW(path.c_str());
}

} // namespace

ModuleHandle LoadLibraryA(const char* fileName)
{
    if (fileName == nullptr || *fileName == '\0')
        return nullptr;
    TakeCurrentDirectoryOutOfDllSearch();

    // Without this, a library whose own dependencies are missing would make the
    // system show its "cannot find" dialog before the call fails.
    DWORD previousMode = 0;
    const BOOL modeSet = ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX,
                                              &previousMode);
    HMODULE module = ::LoadLibraryA(fileName);
    if (modeSet)
        ::SetThreadErrorMode(previousMode, nullptr);
    return module;
}

void* GetProcAddress(ModuleHandle module, const char* exportName)
{
    if (module == nullptr || exportName == nullptr)
        return nullptr;
    // FARPROC is a function pointer; the callers cast it back to the export's type.
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), exportName));
}

} // namespace platform

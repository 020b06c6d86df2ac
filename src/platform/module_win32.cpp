#include "platform/module.h"

#include "windows_api.h"

namespace platform {

ModuleHandle LoadLibraryA(const char* fileName)
{
    if (fileName == nullptr || *fileName == '\0')
        return nullptr;
    // The standard search order, less the current directory: the program's own
    // folder, the system folders, the Windows folder and PATH. A driver installed
    // beside the program, into the system folder or on PATH loads as it always did,
    // but a DLL of the driver's name that someone put into whatever folder the
    // program was started from does not. The setting is the process's; the program
    // loads its one library once, at start-up, so it is made right here.
    ::SetDllDirectoryW(L"");

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

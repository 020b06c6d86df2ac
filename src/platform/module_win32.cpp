#include "platform/module.h"

#include "windows_api.h"

namespace platform {

ModuleHandle LoadLibraryA(const char* fileName)
{
    if (fileName == nullptr || *fileName == '\0')
        return nullptr;
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

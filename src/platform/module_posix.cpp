#include "platform/module.h"

#include <dlfcn.h>

namespace platform {

ModuleHandle LoadLibraryA(const char* fileName)
{
    if (fileName == nullptr || *fileName == '\0')
        return nullptr;
    // A name without a slash goes through the loader's search order: LD_LIBRARY_PATH,
    // the RUNPATH of the caller, the loader cache and the system directories. The
    // current directory is searched only when LD_LIBRARY_PATH has an empty entry.
    // RTLD_NOW: a library with an unresolved symbol fails here, not in the middle of
    // a card operation.
    return dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
}

void* GetProcAddress(ModuleHandle module, const char* exportName)
{
    // dlsym takes a null handle as RTLD_DEFAULT and would search the whole process.
    if (module == nullptr || exportName == nullptr)
        return nullptr;
    return dlsym(module, exportName);
}

} // namespace platform

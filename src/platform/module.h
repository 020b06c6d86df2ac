#pragma once

namespace platform {

// A loaded shared library; null when loading failed.
using ModuleHandle = void*;

// Loads a shared library by its bare file name through the platform's standard
// search order (never the current directory). Returns null on failure.
ModuleHandle LoadLibraryA(const char* fileName);

// The address of an export of a loaded library, or null when it has none.
void* GetProcAddress(ModuleHandle module, const char* exportName);

} // namespace platform

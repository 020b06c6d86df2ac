#pragma once

// <windows.h> as the platform layer's Win32 side includes it: without the rarely used
// APIs, and without the min/max macros that break std::min and std::max.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

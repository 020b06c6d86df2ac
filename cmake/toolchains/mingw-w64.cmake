# Cross build for Windows with Debian's MinGW-w64 (the -posix variants, whose
# std::thread and std::mutex are those of winpthreads). Included by the toolchain
# file of each target, which sets MXB_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MXB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MXB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MXB_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MXB_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes and winpthreads linked in: a program needs no MinGW DLL
# beside it, only the system's own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Tests and build-time helpers run under Wine, each build in a prefix of its own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run)

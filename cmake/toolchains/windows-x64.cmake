# 64-bit Windows: the same code as a 64-bit program, which Wine runs on any host.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MXB_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

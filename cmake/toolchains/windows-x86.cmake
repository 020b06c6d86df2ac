# 32-bit Windows, the release target: the maker's driver library is a 32-bit DLL.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MXB_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

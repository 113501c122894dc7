# Cross-building for Windows (x86_64) with MinGW-w64 on Debian.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_kelmo_triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

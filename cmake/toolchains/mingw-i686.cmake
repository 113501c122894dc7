# Cross-building for Windows (i686) with MinGW-w64 on Debian.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(_kelmo_triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

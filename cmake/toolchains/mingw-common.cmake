# Cross-building for Windows with MinGW-w64 on Debian; the including toolchain file sets
# CMAKE_SYSTEM_PROCESSOR and _kelmo_triple first.
# The -posix compilers give std::thread and std::mutex (through winpthreads); everything
# is linked statically, so the programs and DLLs need no MinGW runtime DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${_kelmo_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_kelmo_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_kelmo_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_kelmo_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

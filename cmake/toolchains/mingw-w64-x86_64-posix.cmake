# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers, posix thread model (the win32
# model lacks std::thread and std::mutex), everything linked statically so the .exe needs no
# MinGW DLLs beside it. CTest runs the test programs through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KF_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KF_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KF_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KF_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KF_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libstdc++, libgcc and winpthreads go into every executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# stb is header-only and the same for every target, so the host's copy (libstb-dev) serves;
# the target root above holds none.
set(STB_INCLUDE_DIR /usr/include/stb CACHE PATH "stb headers (host copy, target independent)")

find_program(KF_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${KF_WINE})

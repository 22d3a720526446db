# Cross build for 64-bit Windows with Debian's mingw-w64 compilers (the POSIX thread model,
# so that std::thread works). The libraries the program links (engine, libpng, zlib, giflib,
# GoogleTest) are looked up only in VANTREL_WINDOWS_PREFIX and the compiler's own sysroot,
# never in the build machine's /usr; scripts/build-windows.sh fills that prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANTREL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VANTREL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTREL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTREL_MINGW}-windres)
set(CMAKE_AR ${VANTREL_MINGW}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${VANTREL_MINGW}-ranlib CACHE FILEPATH "")

# Passed on to the compiler checks' own projects, which read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VANTREL_WINDOWS_PREFIX VANTREL_WINDOWS_HOST_HEADERS)
set(CMAKE_FIND_ROOT_PATH /usr/${VANTREL_MINGW} ${VANTREL_WINDOWS_PREFIX} ${VANTREL_WINDOWS_HOST_HEADERS})
# Header-only libraries of the build machine, exposed one by one by the script: included
# without a search, as the native build includes them from /usr/include.
if(VANTREL_WINDOWS_HOST_HEADERS)
  set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES ${VANTREL_WINDOWS_HOST_HEADERS}/include)
  set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${VANTREL_WINDOWS_HOST_HEADERS}/include)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# M_PI and the other constants of <cmath>, which glibc shows by default and mingw-w64 only
# on request.
set(CMAKE_C_FLAGS_INIT "-D_USE_MATH_DEFINES")
set(CMAKE_CXX_FLAGS_INIT "-D_USE_MATH_DEFINES")

# The GCC runtime and the C++ library go into each .exe: nothing to ship beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Programs the build itself runs (the asset generator) run under Wine.
find_program(VANTREL_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VANTREL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VANTREL_WINE})
endif()

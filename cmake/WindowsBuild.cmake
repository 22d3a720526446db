# What the Windows build adds to the targets of the main build (included from the top-level
# CMakeLists.txt when the target system is Windows, after every target is defined).

# The engine is the static library scripts/build-windows.sh builds: its headers must not
# ask for DLL imports, and its own dependencies come along at link time.
find_library(VANTREL_PNG_LIBRARY NAMES png REQUIRED)
find_library(VANTREL_ZLIB_LIBRARY NAMES z REQUIRED)
set_property(TARGET Irrlicht::Irrlicht APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS _IRR_STATIC_LIB_)
set_property(TARGET Irrlicht::Irrlicht APPEND PROPERTY INTERFACE_LINK_LIBRARIES
  ${VANTREL_PNG_LIBRARY} ${VANTREL_ZLIB_LIBRARY} opengl32 gdi32 winmm)

# The unit tests use a few POSIX file calls that mingw-w64 does not have.
foreach(tests IN ITEMS vantrel_tests gif_tests)
  target_compile_options(${tests} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/windows/posix_compat.h)
endforeach()

# Looks at the program's window from outside (pen property, client size), for the tests under Wine.
add_executable(window_probe ${PROJECT_SOURCE_DIR}/tests/windows/window_probe.cpp)

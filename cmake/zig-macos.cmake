# Cross build for macOS with zig's clang, which brings its own macOS headers,
# libc++ and Mach-O linker:
#   cmake -S . -B build-macos-aarch64 --toolchain cmake/zig-macos.cmake \
#         -DTENFALL_ZIG=/path/to/zig -DTENFALL_MACOS_ARCH=aarch64 -DTENFALL_TESTS=OFF
# TENFALL_MACOS_ARCH is aarch64 (Apple silicon) or x86_64 (Intel).
set(TENFALL_ZIG zig CACHE FILEPATH "The zig program")
set(TENFALL_MACOS_ARCH aarch64 CACHE STRING "The Mac to build for: aarch64 or x86_64")
set_property(CACHE TENFALL_MACOS_ARCH PROPERTY STRINGS aarch64 x86_64)
if(NOT TENFALL_MACOS_ARCH MATCHES "^(aarch64|x86_64)$")
  message(FATAL_ERROR "TENFALL_MACOS_ARCH must be aarch64 or x86_64, not ${TENFALL_MACOS_ARCH}")
endif()

set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR ${TENFALL_MACOS_ARCH})

set(CMAKE_C_COMPILER ${TENFALL_ZIG} cc -target ${TENFALL_MACOS_ARCH}-macos)
set(CMAKE_CXX_COMPILER ${TENFALL_ZIG} c++ -target ${TENFALL_MACOS_ARCH}-macos)
# Archives through zig too (llvm-ar, which writes the Mach-O symbol index),
# so that the build needs no LLVM or binutils that know Mach-O.
set(CMAKE_CXX_ARCHIVE_CREATE "\"${TENFALL_ZIG}\" ar qc <TARGET> <LINK_FLAGS> <OBJECTS>")
set(CMAKE_CXX_ARCHIVE_APPEND "\"${TENFALL_ZIG}\" ar q <TARGET> <LINK_FLAGS> <OBJECTS>")
set(CMAKE_CXX_ARCHIVE_FINISH "\"${TENFALL_ZIG}\" ranlib <TARGET>")

# Nothing of the build machine's: no Linux headers or libraries, no xcrun.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_OSX_SYSROOT "" CACHE PATH "zig brings the macOS headers and libraries")

# CMake's probe of the compiler's ABI passes -Wl,-v, which zig's linker
# refuses, so the probe fails (harmlessly) and cannot tell the pointer size
# that GNUInstallDirs asks for. Both Macs are 64-bit.
set(CMAKE_SIZEOF_VOID_P 8)

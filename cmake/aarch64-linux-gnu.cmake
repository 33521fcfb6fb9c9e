# Cross build for 64-bit ARM Linux (a Raspberry Pi, an ARM server) with
# Debian's g++-aarch64-linux-gnu:
#   cmake -S . -B build-arm64 --toolchain cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The build machine's libvterm is not the target's: no pty toolkit here.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig)


# ctest runs the ARM test programs under qemu-user when it is installed,
# with the cross libraries as the target's root.
find_program(TENFALL_QEMU_AARCH64 qemu-aarch64 NO_CMAKE_FIND_ROOT_PATH)
if(TENFALL_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TENFALL_QEMU_AARCH64} -L /usr/aarch64-linux-gnu)
endif()

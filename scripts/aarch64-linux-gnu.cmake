# Cross build for 64-bit ARM with Debian's cross compiler
# (g++-aarch64-linux-gnu); the programs and tests run under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest, and the test discovery at build time, run the ARM programs here. The
# emulator is named by its full path: some tests start the tool with an empty
# or restricted PATH.
# The cross compiler's C library comes first: when Debian's arm64 packages
# are also installed (multiarch, for zxcvbn), the loader's cache would
# otherwise pair the cross loader with the other C library, and a forked
# child then hangs.
find_program(KEYVALE_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${KEYVALE_QEMU_AARCH64} -L /usr/aarch64-linux-gnu
    -E LD_LIBRARY_PATH=/usr/aarch64-linux-gnu/lib)

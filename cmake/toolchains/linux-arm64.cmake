# The libretro core for 64-bit ARM Linux (handheld distributions, Raspberry Pi OS 64-bit), with
# Debian's cross compiler. Its C and C++ libraries are the target's own, linked dynamically:
# tests/cross/check_portability.sh says what the core may ask of them.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_C_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")

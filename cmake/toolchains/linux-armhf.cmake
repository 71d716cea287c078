# The libretro core for 32-bit ARM Linux with hard float (older handhelds, Raspberry Pi 2 and
# later on a 32-bit system), with Debian's cross compiler and its baseline: ARMv7-A, VFPv3-D16,
# Thumb-2. Its C and C++ libraries are the target's own, linked dynamically.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_C_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")

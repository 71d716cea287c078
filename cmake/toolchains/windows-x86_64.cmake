# The libretro core for 64-bit Windows, with Debian's MinGW-w64 compiler in its win32 thread model.
# The C++ runtime and libgcc are linked in, so the DLL needs nothing beside it but the system's
# KERNEL32.dll and msvcrt.dll; the linker writes no time stamp into it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_C_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")
set(_pb_link "-static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_pb_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_pb_link}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_pb_link}")

# The console: an ARM920T (ARMv4T) under Linux 2.4 with the old system-call convention. The
# binary is freestanding and static, entered at demo_main with no start-up code; platform/console/ supplies
# the system calls and the few runtime routines the compiler may call. Debian's libgcc is never
# linked: it is built for ARMv5TE and its 64-bit division uses clz, which this CPU lacks.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv4t)

set(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)

# There is no C library to link a test program against.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(_pb_cpu "-march=armv4t -mtune=arm920t -marm -mfloat-abi=soft")
# No library calls invented for loops, no unwind tables, no stack protector, no position-
# independent code: what is compiled is what runs.
set(_pb_free "-ffreestanding -fno-tree-loop-distribute-patterns -fno-stack-protector -fno-pie \
-fno-unwind-tables -fno-asynchronous-unwind-tables -ffunction-sections -fdata-sections")
set(CMAKE_C_FLAGS_INIT "${_pb_cpu} ${_pb_free}")
set(CMAKE_CXX_FLAGS_INIT
    "${_pb_cpu} ${_pb_free} -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-use-cxa-atexit")
set(CMAKE_C_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE_INIT "-O2 -DNDEBUG")
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-nostdlib -static -no-pie -Wl,-e,demo_main -Wl,--gc-sections -Wl,--build-id=none")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

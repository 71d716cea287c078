# The machines the libretro core is built for, one row each, read by the build, the tests, the
# release and the bench: the machine (the name of its archive and its tests, and of its toolchain
# file, cmake/toolchains/MACHINE.cmake, when it is not this one), the prefix of its compiler and
# binary tools, the core's file name, the preset whose tree builds it (build/TREE; host: the
# desktop tree reading this), and how its programs run here: native, wine, or
# qemu-ARCH:LIBRARY_ROOT (qemu-user, run by name, with the machine's libraries under LIBRARY_ROOT).
#
# A new machine is a row, its toolchain file and its preset in CMakePresets.json, which cannot be
# generated: the test package.machines checks that the presets and this table agree. (A system
# new to the release needs its guide too, data/core-where-SYSTEM.txt.) Shell scripts get a row as
# one word, MACHINE=PREFIX=CORE=RUNS=TREE_FOLDER (pb_machine_words). Read as a script too
# (cmake -P), so it defines nothing but variables and functions.

set(PB_MACHINES)

# pb_machine(MACHINE PREFIX CORE TREE RUNS): one row.
function(pb_machine machine prefix core tree runs)
  if(NOT ARGC EQUAL 5)
    message(FATAL_ERROR "machine ${machine}: a row has 5 fields, not ${ARGC}: ${ARGV}")
  endif()
  if(machine IN_LIST PB_MACHINES)
    message(FATAL_ERROR "machine ${machine}: a second row")
  endif()
  if(NOT runs MATCHES "^(native|wine|qemu-[a-z0-9_]+:/.+)$")
    message(FATAL_ERROR "machine ${machine}: its programs run natively, under wine or under "
                        "qemu-ARCH:LIBRARY_ROOT, not \"${runs}\"")
  endif()
  if(NOT core MATCHES "^[^/=]+$" OR prefix MATCHES "[/=]")
    message(FATAL_ERROR "machine ${machine}: the core and the prefix are names, not paths")
  endif()
  set(PB_MACHINES ${PB_MACHINES} ${machine} PARENT_SCOPE)
  set(PB_MACHINE_${machine}_PREFIX "${prefix}" PARENT_SCOPE)
  set(PB_MACHINE_${machine}_CORE ${core} PARENT_SCOPE)
  set(PB_MACHINE_${machine}_TREE ${tree} PARENT_SCOPE)
  set(PB_MACHINE_${machine}_RUNS ${runs} PARENT_SCOPE)
endfunction()

#          machine         prefix                core                      tree                     runs
pb_machine(linux-x86_64    ""                    plasmaballs_libretro.so   host                     native)
pb_machine(linux-arm64     aarch64-linux-gnu-    plasmaballs_libretro.so   libretro-linux-arm64     qemu-aarch64:/usr/aarch64-linux-gnu)
pb_machine(linux-armhf     arm-linux-gnueabihf-  plasmaballs_libretro.so   libretro-linux-armhf     qemu-arm:/usr/arm-linux-gnueabihf)
pb_machine(windows-x86_64  x86_64-w64-mingw32-   plasmaballs_libretro.dll  libretro-windows-x86_64  wine)

# pb_machine_folder(VAR MACHINE): the folder of the machine's tree; the desktop tree's own is
# this build's.
function(pb_machine_folder var machine)
  set(tree ${PB_MACHINE_${machine}_TREE})
  if(tree STREQUAL "host")
    set(${var} ${CMAKE_BINARY_DIR} PARENT_SCOPE)
  else()
    set(${var} ${PB_TREES}/${tree} PARENT_SCOPE)
  endif()
endfunction()

# pb_machine_words(VAR): every row as the one word a script takes.
function(pb_machine_words var)
  set(words)
  foreach(machine ${PB_MACHINES})
    pb_machine_folder(folder ${machine})
    set(row ${machine} "${PB_MACHINE_${machine}_PREFIX}" ${PB_MACHINE_${machine}_CORE}
            ${PB_MACHINE_${machine}_RUNS} ${folder})
    list(JOIN row "=" word)
    list(APPEND words ${word})
  endforeach()
  set(${var} ${words} PARENT_SCOPE)
endfunction()

# check_machines.cmake must find every way the presets and the table of machines can drift apart:
# each case is the tree's CMakePresets.json or cmake/Machines.cmake with one fault, and the check
# has to fail naming it; the copies without a fault have to pass.
#   cmake -DSOURCE_DIR=DIR -DWORK=DIR -P tests/package/check_machines_rejects.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT DEFINED SOURCE_DIR OR NOT DEFINED WORK)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=DIR -DWORK=DIR -P check_machines_rejects.cmake")
endif()
file(READ ${SOURCE_DIR}/CMakePresets.json presets)
file(READ ${SOURCE_DIR}/cmake/Machines.cmake machines)
file(REMOVE_RECURSE ${WORK})

# at(VAR KIND NAME): the index of the preset NAME among the KIND presets.
function(at var kind name)
  string(JSON count LENGTH "${presets}" ${kind})
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    string(JSON each GET "${presets}" ${kind} ${i} name)
    if(each STREQUAL name)
      set(${var} ${i} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "no ${kind} preset ${name} in the tree's CMakePresets.json")
endfunction()

# row(VAR MACHINE TEXT): the table with MACHINE's row replaced by TEXT.
function(row var machine text)
  string(REGEX REPLACE "\npb_machine\\(${machine} [^\n]*" "\n${text}" changed "${machines}")
  if(changed STREQUAL machines)
    message(FATAL_ERROR "no row of ${machine} in the tree's cmake/Machines.cmake")
  endif()
  set(${var} "${changed}" PARENT_SCOPE)
endfunction()

set(failed 0)
set(judged 0)
# judge(CASE PRESETS_TEXT MACHINES_TEXT EXPECTED): EXPECTED is a regular expression the check's
# output must match, or "" for a pair that must pass.
function(judge name presets_text machines_text expected)
  set(dir ${WORK}/${name})
  file(WRITE ${dir}/CMakePresets.json "${presets_text}")
  file(WRITE ${dir}/Machines.cmake "${machines_text}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR}
                          -DPRESETS=${dir}/CMakePresets.json -DMACHINES=${dir}/Machines.cmake
                          -P ${CMAKE_CURRENT_LIST_DIR}/check_machines.cmake
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(right FALSE)
  if(expected STREQUAL "" AND status EQUAL 0)
    set(right TRUE)
  elseif(NOT expected STREQUAL "" AND NOT status EQUAL 0 AND output MATCHES "${expected}")
    set(right TRUE)
  endif()
  if(NOT right)
    message(NOTICE "case ${name}: expected \"${expected}\", got status ${status}:\n${output}")
    set(failed 1 PARENT_SCOPE)
  endif()
  math(EXPR judged "${judged} + 1")
  set(judged ${judged} PARENT_SCOPE)
endfunction()

at(armhf configurePresets libretro-linux-armhf)
string(JSON configured LENGTH "${presets}" configurePresets)

judge(clean "${presets}" "${machines}" "")

string(JSON text REMOVE "${presets}" configurePresets ${armhf})
judge(no-preset "${text}" "${machines}" "linux-armhf: no configure preset libretro-linux-armhf")
string(JSON text SET "${presets}" configurePresets ${armhf} binaryDir "\"\${sourceDir}/build/x\"")
judge(other-folder "${text}" "${machines}"
      "libretro-linux-armhf builds into [$]{sourceDir}/build/x")
string(JSON text SET "${presets}" configurePresets ${armhf} toolchainFile
       "\"\${sourceDir}/cmake/toolchains/linux-arm64.cmake\"")
judge(other-toolchain "${text}" "${machines}" "linux-armhf: preset .* takes the toolchain .*arm64")
# A preset of a machine the table does not have.
string(JSON copy GET "${presets}" configurePresets ${armhf})
string(JSON copy SET "${copy}" name "\"libretro-linux-riscv64\"")
string(JSON text SET "${presets}" configurePresets ${configured} "${copy}")
judge(no-row "${text}" "${machines}" "preset libretro-linux-riscv64 builds the core but no row")

row(text linux-armhf "")
judge(row-dropped "${presets}" "${text}" "preset libretro-linux-armhf builds the core but no row")
row(text linux-arm64 "pb_machine(linux-arm64 aarch64-linux-musl- plasmaballs_libretro.so \
libretro-linux-arm64 qemu-aarch64:/usr/aarch64-linux-gnu)")
judge(other-prefix "${presets}" "${text}"
      "CMAKE_C_COMPILER is \"aarch64-linux-gnu-gcc\", not aarch64-linux-musl-")
row(text windows-x86_64 "pb_machine(windows-x86_64 x86_64-w64-mingw32- plasmaballs_libretro.so \
libretro-windows-x86_64 wine)")
judge(not-a-dll "${presets}" "${text}"
      "windows-x86_64: its toolchain builds for Windows: the core is no [*][.]dll")
row(text windows-x86_64 "pb_machine(windows-x86_64 x86_64-w64-mingw32- plasmaballs_libretro.dll \
libretro-windows-x86_64 wine64)")
judge(bad-runner "${presets}" "${text}" "its programs run natively, under wine or .*not \"wine64\"")

if(failed)
  message(FATAL_ERROR "check_machines.cmake judged some of the ${judged} cases wrong")
endif()
file(REMOVE_RECURSE ${WORK})
message(STATUS "check_machines: the clean pair passes; ${judged} cases judged right")

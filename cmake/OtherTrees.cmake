# The desktop tree's targets for what other trees and tools make: tree_<preset> builds the tree of
# a preset (build/<preset>, configured on first use), libretro_cross the trees of the libretro
# core for every other machine (cmake/Machines.cmake), deb the Debian packages (build/deb/), dist
# the release archives (build/dist/). The tests read their results; make gp2x, web,
# libretro-cross, deb and dist build them.

# Where every preset's tree is (the binaryDir of CMakePresets.json) and tools/make-deb.sh and
# tools/make-dist.sh write; and what the tests and the release read from the other trees.
set(PB_TREES ${PROJECT_SOURCE_DIR}/build)
set(PB_CONSOLE_BINARY ${PB_TREES}/gp2x/plasmaballs.gpe)
set(PB_PAGE ${PB_TREES}/web/page)
set(PB_FUZZ_TREE ${PB_TREES}/fuzz)
set(PB_DEBS ${PB_TREES}/deb)
set(PB_DIST ${PB_TREES}/dist)
include(${CMAKE_CURRENT_LIST_DIR}/Machines.cmake)

# The build under make: its jobs would otherwise run one at a time, with no jobserver to join.
cmake_host_system_information(RESULT _pb_cores QUERY NUMBER_OF_LOGICAL_CORES)

# pb_preset_tree(PRESET [TARGETS target...]): the targets to build there, if not the preset's.
function(pb_preset_tree preset)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "TARGETS")
  set(targets "")
  if(ARG_TARGETS)
    string(REPLACE ";" "," targets "-DTARGETS=${ARG_TARGETS}")
  endif()
  add_custom_target(tree_${preset}
    COMMAND ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS --unset=MFLAGS --unset=MAKELEVEL
            ${CMAKE_COMMAND} -DPRESET=${preset} -DFOLDER=${PB_TREES}/${preset}
            -DJOBS=${_pb_cores} ${targets}
            -P ${PROJECT_SOURCE_DIR}/cmake/build_preset.cmake
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Building the ${preset} preset's tree (build/${preset})"
    VERBATIM)
endfunction()

# The console's tree also builds the samples its binary check must reject (tests/console).
pb_preset_tree(gp2x TARGETS all console_rejects)
pb_preset_tree(web)
pb_preset_tree(fuzz)
# The libretro core for the players' other machines, and the samples the portability check must
# reject (tests/cross).
add_custom_target(libretro_cross)
foreach(machine ${PB_MACHINES})
  set(_tree ${PB_MACHINE_${machine}_TREE})
  if(NOT _tree STREQUAL "host")
    pb_preset_tree(${_tree} TARGETS all cross_rejects)
    add_dependencies(libretro_cross tree_${_tree})
  endif()
endforeach()

# Built from a clean copy of the tree by dpkg-buildpackage, then checked with lintian.
add_custom_target(deb
  COMMAND ${CMAKE_COMMAND} -E env JOBS=${_pb_cores} ${PROJECT_SOURCE_DIR}/tools/make-deb.sh
          ${PROJECT_VERSION}
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "Building the Debian packages (build/deb/)"
  VERBATIM)

# The source, the console's, the page's and the libretro cores' archives, the packages, and their
# checksums. (A tree without the libretro header builds no core, and so no release.)
if(NOT TARGET plasmaballs_libretro)
  return()
endif()
pb_machine_words(_machines)
add_custom_target(dist
  COMMAND ${PROJECT_SOURCE_DIR}/tools/make-dist.sh ${PROJECT_VERSION} ${PB_CONSOLE_BINARY}
          ${PB_PAGE} ${CMAKE_BINARY_DIR}/plasmaballs_libretro.info ${_machines}
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "Making the release archives (build/dist/)"
  VERBATIM)
add_dependencies(dist tree_gp2x tree_web libretro_cross plasmaballs_libretro deb)

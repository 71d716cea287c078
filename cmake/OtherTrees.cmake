# The desktop tree's targets for what other trees and tools make: tree_<preset> builds the tree of
# a preset (build/<preset>, configured on first use), deb the Debian packages (build/deb/), dist
# the release archives (build/dist/). The tests read their results; make gp2x, web, deb and dist
# build them.

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
            ${CMAKE_COMMAND} -DPRESET=${preset} -DJOBS=${_pb_cores} ${targets}
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
foreach(machine linux-arm64 linux-armhf windows-x86_64)
  pb_preset_tree(libretro-${machine} TARGETS all cross_rejects)
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
set(_cores linux-x86_64=$<TARGET_FILE:plasmaballs_libretro>)
foreach(machine linux-arm64 linux-armhf windows-x86_64)
  set(_core_file plasmaballs_libretro.so)
  if(machine MATCHES "^windows")
    set(_core_file plasmaballs_libretro.dll)
  endif()
  list(APPEND _cores ${machine}=${PROJECT_SOURCE_DIR}/build/libretro-${machine}/${_core_file})
endforeach()
add_custom_target(dist
  COMMAND ${PROJECT_SOURCE_DIR}/tools/make-dist.sh ${PROJECT_VERSION}
          ${PROJECT_SOURCE_DIR}/build/gp2x/plasmaballs.gpe ${PROJECT_SOURCE_DIR}/build/web/page
          ${CMAKE_BINARY_DIR}/plasmaballs_libretro.info ${_cores}
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "Making the release archives (build/dist/)"
  VERBATIM)
add_dependencies(dist tree_gp2x tree_web tree_libretro-linux-arm64 tree_libretro-linux-armhf
                 tree_libretro-windows-x86_64 plasmaballs_libretro deb)

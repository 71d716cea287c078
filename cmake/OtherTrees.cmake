# The desktop tree's targets for what other trees and tools make: tree_<preset> builds the tree of
# a preset (build/<preset>, configured on first use), deb the Debian packages (build/deb/), dist
# the release archives (build/dist/). The tests read their results; make gp2x, web, deb and dist
# build them.

# The build under make: its jobs would otherwise run one at a time, with no jobserver to join.
cmake_host_system_information(RESULT _pb_cores QUERY NUMBER_OF_LOGICAL_CORES)

function(pb_preset_tree preset)
  add_custom_target(tree_${preset}
    COMMAND ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS --unset=MFLAGS --unset=MAKELEVEL
            ${CMAKE_COMMAND} -DPRESET=${preset} -DJOBS=${_pb_cores}
            -P ${PROJECT_SOURCE_DIR}/cmake/build_preset.cmake
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Building the ${preset} preset's tree (build/${preset})"
    VERBATIM)
endfunction()

pb_preset_tree(gp2x)
pb_preset_tree(web)
pb_preset_tree(fuzz)
foreach(machine linux-arm64 linux-armhf windows-x86_64)
  pb_preset_tree(libretro-${machine})  # the libretro core for the players' other machines
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

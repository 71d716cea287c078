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

# The source, the console's and the page's archives, the packages, and their checksums.
add_custom_target(dist
  COMMAND ${PROJECT_SOURCE_DIR}/tools/make-dist.sh ${PROJECT_VERSION}
          ${PROJECT_SOURCE_DIR}/build/gp2x/plasmaballs.gpe ${PROJECT_SOURCE_DIR}/build/web/page
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "Making the release archives (build/dist/)"
  VERBATIM)
add_dependencies(dist tree_gp2x tree_web deb)

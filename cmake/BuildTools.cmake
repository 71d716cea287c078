# The programs the build runs on the build machine: tools/gen_tables, which writes the trig tables,
# and tools/make_icon, which draws the icons from the demo's own sprite and palette. A tree that
# builds for this machine builds them among its own targets. A tree that cross-compiles has them
# built for this machine in a tree of their own (build-tools/ inside it, PLASMABALLS_TARGET=tools)
# with the build machine's compiler and none of the target's flags.
#
# Gives PB_GEN_TABLES and PB_MAKE_ICON (the programs) and PB_BUILD_TOOLS (what to depend on).

if(NOT CMAKE_CROSSCOMPILING)
  set(PB_GEN_TABLES $<TARGET_FILE:gen_tables>)
  set(PB_MAKE_ICON $<TARGET_FILE:make_icon>)
  set(PB_BUILD_TOOLS "")
  return()
endif()

include(ExternalProject)
find_program(PB_BUILD_CC NAMES cc gcc clang NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_program(PB_BUILD_CXX NAMES c++ g++ clang++ NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(_tools_dir ${CMAKE_BINARY_DIR}/build-tools)
set(PB_GEN_TABLES ${_tools_dir}/gen_tables)
set(PB_MAKE_ICON ${_tools_dir}/make_icon)
# The console and the cores need only the tables; the icon tool needs libpng on the build machine.
if(PLASMABALLS_TARGET STREQUAL "console" OR PLASMABALLS_TARGET STREQUAL "core")
  set(_tools gen_tables)
else()
  set(_tools gen_tables make_icon)
endif()
# Under make the inner build joins the outer one's jobs.
if(CMAKE_GENERATOR MATCHES "Make")
  set(_build_command $(MAKE) -C <BINARY_DIR> ${_tools})
else()
  set(_build_command ${CMAKE_COMMAND} --build <BINARY_DIR> --target ${_tools})
endif()
ExternalProject_Add(build_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${_tools_dir}
  # A package build's flags are the target's (an arm64 branch-protection flag, say), which the
  # build machine's compiler may not take.
  CONFIGURE_COMMAND ${CMAKE_COMMAND} -E env --unset=CFLAGS --unset=CXXFLAGS --unset=CPPFLAGS
                    --unset=LDFLAGS --unset=MAKEFLAGS
                    ${CMAKE_COMMAND} -S <SOURCE_DIR> -B <BINARY_DIR> -G ${CMAKE_GENERATOR}
                    -DCMAKE_C_COMPILER=${PB_BUILD_CC} -DCMAKE_CXX_COMPILER=${PB_BUILD_CXX}
                    -DCMAKE_BUILD_TYPE=Release -DPLASMABALLS_TARGET=tools
  BUILD_COMMAND ${_build_command}
  BUILD_BYPRODUCTS ${PB_GEN_TABLES} ${PB_MAKE_ICON}
  INSTALL_COMMAND ""
  # The inner build is incremental; it must run to see a changed tool.
  BUILD_ALWAYS TRUE
  EXCLUDE_FROM_ALL TRUE)
set(PB_BUILD_TOOLS build_tools)

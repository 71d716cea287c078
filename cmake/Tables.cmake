# The cosine and tangent tables are generated from their rule by tools/gen_tables, a host program
# (it uses floating point; the demo never does). When cross-compiling it is built with the host's
# own compiler.
set(PLASMABALLS_TABLES_SOURCE ${CMAKE_BINARY_DIR}/generated/trig_tables.cpp)
set(_gen_source ${CMAKE_SOURCE_DIR}/tools/gen_tables.cpp)

if(CMAKE_CROSSCOMPILING)
  find_program(PB_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
  set(_gen ${CMAKE_BINARY_DIR}/tools/gen_tables)
  add_custom_command(
    OUTPUT ${_gen}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tools
    COMMAND ${PB_HOST_CXX} -std=c++20 -O2 -o ${_gen} ${_gen_source} -lm
    DEPENDS ${_gen_source}
    COMMENT "Building the table generator for the host")
  set(_gen_command ${_gen})
  set(_gen_depends ${_gen})
else()
  add_executable(gen_tables ${_gen_source})
  pb_warnings(gen_tables)
  set(_gen_command $<TARGET_FILE:gen_tables>)
  set(_gen_depends gen_tables)
endif()

add_custom_command(
  OUTPUT ${PLASMABALLS_TABLES_SOURCE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND ${_gen_command} ${PLASMABALLS_TABLES_SOURCE}
  DEPENDS ${_gen_depends}
  COMMENT "Generating the cosine and tangent tables")

# The cosine and tangent tables are generated from their rule by tools/gen_tables, a program of
# the build machine (it uses floating point; the demo never does).
set(PLASMABALLS_TABLES_SOURCE ${CMAKE_BINARY_DIR}/generated/trig_tables.cpp)

if(NOT CMAKE_CROSSCOMPILING)
  add_executable(gen_tables ${PROJECT_SOURCE_DIR}/tools/gen_tables.cpp)
  pb_warnings(gen_tables)
  set_target_properties(gen_tables PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  set(_gen_depends gen_tables)
else()
  set(_gen_depends ${PB_BUILD_TOOLS} ${PB_GEN_TABLES})
endif()

add_custom_command(
  OUTPUT ${PLASMABALLS_TABLES_SOURCE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND ${PB_GEN_TABLES} ${PLASMABALLS_TABLES_SOURCE}
  DEPENDS ${_gen_depends}
  COMMENT "Generating the cosine and tangent tables")

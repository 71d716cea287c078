# Builds the tree of a preset, configuring it first if it never was:
#   cmake -DPRESET=name [-DJOBS=n] [-DTARGETS=a,b] -P cmake/build_preset.cmake
# (from the source tree's top); TARGETS, if given, instead of the preset's own.
cmake_minimum_required(VERSION 3.25)
if(NOT EXISTS ${CMAKE_SOURCE_DIR}/build/${PRESET}/CMakeCache.txt)
  execute_process(COMMAND ${CMAKE_COMMAND} --preset ${PRESET} OUTPUT_QUIET
                  RESULT_VARIABLE _result)
  if(_result)
    message(FATAL_ERROR "the ${PRESET} preset could not be configured")
  endif()
endif()
if(NOT JOBS)
  set(JOBS 2)
endif()
set(_targets)
if(TARGETS)
  string(REPLACE "," ";" _targets "${TARGETS}")
  set(_targets --target ${_targets})
  # Targets added since the tree's makefiles were written are known only once they are written
  # again, which building the tree's own targets would do first.
  if(EXISTS ${CMAKE_SOURCE_DIR}/build/${PRESET}/Makefile)
    execute_process(COMMAND ${CMAKE_COMMAND} --build --preset ${PRESET}
                            --target cmake_check_build_system OUTPUT_QUIET)
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build --preset ${PRESET} --parallel ${JOBS} ${_targets}
                RESULT_VARIABLE _result)
if(_result)
  message(FATAL_ERROR "the ${PRESET} preset's tree could not be built")
endif()

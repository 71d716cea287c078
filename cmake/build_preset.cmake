# Builds the tree of a preset, configuring it first if it never was:
#   cmake -DPRESET=name [-DJOBS=n] -P cmake/build_preset.cmake   (from the source tree's top)
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
execute_process(COMMAND ${CMAKE_COMMAND} --build --preset ${PRESET} --parallel ${JOBS}
                RESULT_VARIABLE _result)
if(_result)
  message(FATAL_ERROR "the ${PRESET} preset's tree could not be built")
endif()

# Builds the tree of a preset, configuring it first if it never was:
#   cmake -DPRESET=name -DFOLDER=tree [-DJOBS=n] [-DTARGETS=a,b] -P cmake/build_preset.cmake
# (from the source tree's top); FOLDER is the preset's binaryDir, TARGETS, if given, instead of
# the preset's own.
cmake_minimum_required(VERSION 3.25)
if(NOT PRESET OR NOT FOLDER)
  message(FATAL_ERROR "usage: cmake -DPRESET=name -DFOLDER=tree -P cmake/build_preset.cmake")
endif()
if(NOT EXISTS ${FOLDER}/CMakeCache.txt)
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
  if(EXISTS ${FOLDER}/Makefile)
    execute_process(COMMAND ${CMAKE_COMMAND} --build --preset ${PRESET}
                            --target cmake_check_build_system OUTPUT_QUIET)
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build --preset ${PRESET} --parallel ${JOBS} ${_targets}
                RESULT_VARIABLE _result)
if(_result)
  message(FATAL_ERROR "the ${PRESET} preset's tree could not be built")
endif()

# The page: emscripten's own toolchain file, as Debian installs it, with the flags the page is
# built with everywhere (what emcmake would give, without a wrapper around cmake).
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# Exceptions are caught in one function only (a bad script on the page); everywhere else a throw
# stops the program, which keeps the code small and the suspensions simple.
set(CMAKE_CXX_FLAGS_INIT "-sEXCEPTION_CATCHING_ALLOWED=[pb_web_parse_script]")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-sEXCEPTION_CATCHING_ALLOWED=[pb_web_parse_script]")
set(CMAKE_C_FLAGS_RELEASE_INIT "-O2")
set(CMAKE_CXX_FLAGS_RELEASE_INIT "-O2")

# Debian's emscripten finds its JavaScript tools among the system's node modules, and its library
# cache is prebuilt and frozen: a cache of the user's own would only be built again.
set(_pb_em_env ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs --unset=EM_CACHE)
set(CMAKE_C_COMPILER_LAUNCHER ${_pb_em_env})
set(CMAKE_CXX_COMPILER_LAUNCHER ${_pb_em_env})
set(CMAKE_CXX_LINKER_LAUNCHER ${_pb_em_env})

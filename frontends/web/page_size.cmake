# Says how large the page's program is: the script and its WebAssembly are what a visitor loads.
cmake_minimum_required(VERSION 3.25)
file(SIZE ${DIR}/plasmaballs.wasm _wasm)
file(SIZE ${DIR}/plasmaballs.js _script)
math(EXPR _total "${_wasm} + ${_script}")
message(STATUS "the page: plasmaballs.wasm ${_wasm} + plasmaballs.js ${_script} = ${_total} bytes")

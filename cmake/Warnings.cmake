# Our own code builds warning-free; third-party headers come in as system includes.
function(pb_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# Warnings are errors in our own code, in every build type.
function(vq_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

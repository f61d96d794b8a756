# Warnings are errors in our own code. GCC 12's flow-based bounds warnings (array-bounds,
# stringop-overflow) report paths that range checks exclude once inlining at -O2/-O3 loses track
# of them; in optimised builds they stay warnings.
function(vq_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE
      $<$<NOT:$<CONFIG:Debug>>:-Wno-error=array-bounds -Wno-error=stringop-overflow>)
  endif()
endfunction()

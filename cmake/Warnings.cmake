# SPDX-License-Identifier: Apache-2.0
# The project's warning level, for the library and the tool alike (the tool's standalone build includes this too).
function(locmap50_enable_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  endif()
endfunction()

# SPDX-License-Identifier: Apache-2.0
# What the install-and-run test scripts share: running a step in PROJECT_DIR and stopping at its failure.

# Runs the command in ARGN; a nonzero status fails the test, naming `what`.
# lastOutput gets its standard output, with Windows line ends made plain.
function(run_checked what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors
    WORKING_DIRECTORY "${PROJECT_DIR}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${output}\n${errors}")
  endif()
  string(REPLACE "\r\n" "\n" output "${output}")
  set(lastOutput "${output}" PARENT_SCOPE)
endfunction()

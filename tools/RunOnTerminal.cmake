# SPDX-License-Identifier: Apache-2.0
# Runs locmap's data commands on a map whose name and hard path hold an escape sequence, into a pipe and on a terminal (through script), and checks that only the terminal gets them escaped.
#
# Inputs (-D): LOCMAP, SCRATCH_DIR.

file(REMOVE_RECURSE "${SCRATCH_DIR}")
file(MAKE_DIRECTORY "${SCRATCH_DIR}")
string(ASCII 27 escape)
set(mapName "term${escape}[2Jinal.map")
set(hardPath "/srv/red${escape}[31m")
file(WRITE "${SCRATCH_DIR}/${mapName}" "ZOR_LOCATION_MAP_2\n$CTL\n${hardPath}\n")

foreach(command "hard;$CTL" "where" "list")
  # Into a pipe: byte for byte.
  execute_process(COMMAND "${LOCMAP}" --map "${mapName}" ${command} WORKING_DIRECTORY "${SCRATCH_DIR}"
    OUTPUT_VARIABLE piped RESULT_VARIABLE exitCode)
  if(NOT exitCode STREQUAL "0" OR NOT piped MATCHES "${escape}")
    message(FATAL_ERROR "locmap ${command} into a pipe: exit ${exitCode}, not byte for byte:\n${piped}")
  endif()
  # On a terminal: no escape byte, each shown by its code.
  set(quoted "")
  foreach(argument "${LOCMAP}" --map "${mapName}" ${command})
    string(APPEND quoted " '${argument}'")
  endforeach()
  execute_process(COMMAND script -qec "${quoted}" /dev/null WORKING_DIRECTORY "${SCRATCH_DIR}"
    OUTPUT_VARIABLE shown RESULT_VARIABLE exitCode)
  if(NOT exitCode STREQUAL "0" OR shown MATCHES "${escape}" OR NOT shown MATCHES "\\\\x1b\\[")
    message(FATAL_ERROR "locmap ${command} on a terminal: exit ${exitCode}, not escaped:\n${shown}")
  endif()
endforeach()

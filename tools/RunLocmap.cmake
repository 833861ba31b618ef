# SPDX-License-Identifier: Apache-2.0
# Runs locmap once on a scratch copy of the examples and compares its exit code, standard output and (optionally) standard error with the expected ones.
#
# Inputs (-D): LOCMAP, EMULATOR (may be empty), SOURCE_DIR, SCRATCH_DIR,
# EXPECTED_EXIT, EXPECTED_TEXT (file), EXPECTED_ERRORS (file; empty: standard
# error is not compared), CHECK_FILE (compare this file of the scratch copy
# instead of standard output; may be empty), STDIN_FILE (scratch-relative file
# fed to standard input; may be empty), STDOUT_FILE (where standard output
# goes instead of being captured, such as /dev/full; may be empty),
# ENVIRONMENT (NAME=VALUE list; NAME= unsets), JSON (true: standard output
# must parse as one JSON array or object, checked with string(JSON)), COPY (scratch-relative source
# and target pairs, copied before the run; may be empty), MODES (scratch-relative file and
# octal mode pairs, set with chmod before the run; POSIX only; may be empty), FIFO (a scratch-relative named
# pipe made before the run, which then must end within 60 s; may be empty), SETUP_ARGUMENTS
# (a run that must succeed first; may be empty), ARGUMENTS (list).

file(REMOVE_RECURSE "${SCRATCH_DIR}")
foreach(dir examples tools/testdata)
  file(COPY "${SOURCE_DIR}/${dir}/" DESTINATION "${SCRATCH_DIR}/${dir}")
endforeach()

while(COPY)
  list(POP_FRONT COPY from to)
  file(COPY_FILE "${SCRATCH_DIR}/${from}" "${SCRATCH_DIR}/${to}")
endwhile()

while(MODES)
  list(POP_FRONT MODES file mode)
  execute_process(COMMAND chmod "${mode}" "${SCRATCH_DIR}/${file}" RESULT_VARIABLE modeSet)
  if(NOT modeSet STREQUAL "0")
    message(FATAL_ERROR "cannot set the mode of ${file} to ${mode}")
  endif()
endwhile()

set(timeout "")
if(FIFO)
  execute_process(COMMAND mkfifo "${SCRATCH_DIR}/${FIFO}" RESULT_VARIABLE fifoMade)
  if(NOT fifoMade STREQUAL "0")
    message(FATAL_ERROR "cannot make the named pipe ${FIFO}")
  endif()
  # Whatever opens the pipe to read would wait for a writer for ever.
  set(timeout TIMEOUT 60)
endif()

foreach(assignment IN LISTS ENVIRONMENT)
  string(REGEX MATCH "^([^=]+)=(.*)$" matched "${assignment}")
  if(CMAKE_MATCH_2 STREQUAL "")
    unset(ENV{${CMAKE_MATCH_1}})
  else()
    set(ENV{${CMAKE_MATCH_1}} "${CMAKE_MATCH_2}")
  endif()
endforeach()

if(SETUP_ARGUMENTS)
  execute_process(COMMAND ${EMULATOR} "${LOCMAP}" ${SETUP_ARGUMENTS}
    WORKING_DIRECTORY "${SCRATCH_DIR}" RESULT_VARIABLE setupExit
    OUTPUT_VARIABLE setupOutput ERROR_VARIABLE setupErrors)
  if(NOT setupExit STREQUAL "0")
    message(FATAL_ERROR "locmap ${SETUP_ARGUMENTS}: exit ${setupExit}\n${setupOutput}${setupErrors}")
  endif()
endif()

set(redirections "")
if(STDIN_FILE)
  list(APPEND redirections INPUT_FILE "${SCRATCH_DIR}/${STDIN_FILE}")
endif()
if(STDOUT_FILE)
  list(APPEND redirections OUTPUT_FILE "${STDOUT_FILE}")
else()
  list(APPEND redirections OUTPUT_VARIABLE output)
endif()
execute_process(
  COMMAND ${EMULATOR} "${LOCMAP}" ${ARGUMENTS}
  WORKING_DIRECTORY "${SCRATCH_DIR}"
  RESULT_VARIABLE exitCode
  ${timeout}
  ${redirections}
  ERROR_VARIABLE errors)

if(CHECK_FILE)
  file(READ "${SCRATCH_DIR}/${CHECK_FILE}" output)
endif()
# Windows writes text lines with CR LF; the expected texts use LF.
string(REPLACE "\r\n" "\n" output "${output}")
string(REPLACE "\r\n" "\n" errors "${errors}")
# Absolute paths under the scratch copy (hints name where a relative include
# led) are written as the library writes them: with backslashes on Windows,
# under Wine with the drive letter of the root, and JSON doubles each
# backslash; natively on Linux.
string(REPLACE "/" "\\" scratchBackslashed "${SCRATCH_DIR}")
string(REPLACE "\\" "\\\\" scratchInJson "${scratchBackslashed}")
foreach(text output errors)
  foreach(scratch "Z:${scratchInJson}" "${scratchInJson}" "Z:${scratchBackslashed}" "${scratchBackslashed}"
                  "${SCRATCH_DIR}")
    string(REPLACE "${scratch}" "<scratch>" ${text} "${${text}}")
  endforeach()
endforeach()
if(JSON)
  string(JSON documentType ERROR_VARIABLE jsonError TYPE "${output}")
  # Commands answer with one array; where, about one map, with one object.
  if(jsonError OR NOT documentType MATCHES "^(ARRAY|OBJECT)$")
    message(FATAL_ERROR "locmap ${ARGUMENTS}: standard output is no JSON array or object: ${jsonError}\n${output}")
  endif()
endif()
# LOCMAP_UPDATE_EXPECTED=1 in the environment rewrites the expected texts
# from this run instead; review the difference before committing it.
if("$ENV{LOCMAP_UPDATE_EXPECTED}" STREQUAL "1")
  file(WRITE "${EXPECTED_TEXT}" "${output}")
  if(EXPECTED_ERRORS)
    file(WRITE "${EXPECTED_ERRORS}" "${errors}")
  endif()
endif()
file(READ "${EXPECTED_TEXT}" expected)

if(NOT exitCode STREQUAL EXPECTED_EXIT)
  message(FATAL_ERROR "locmap ${ARGUMENTS}: exit ${exitCode}, expected ${EXPECTED_EXIT}\n"
    "stdout:\n${output}\nstderr:\n${errors}")
endif()
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "locmap ${ARGUMENTS}: output differs from ${EXPECTED_TEXT}\n"
    "--- got ---\n${output}--- expected ---\n${expected}--- stderr ---\n${errors}")
endif()
if(EXPECTED_ERRORS)
  file(READ "${EXPECTED_ERRORS}" expectedErrors)
  if(NOT errors STREQUAL expectedErrors)
    message(FATAL_ERROR "locmap ${ARGUMENTS}: standard error differs from ${EXPECTED_ERRORS}\n"
      "--- got ---\n${errors}--- expected ---\n${expectedErrors}")
  endif()
endif()

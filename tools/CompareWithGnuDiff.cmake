# SPDX-License-Identifier: Apache-2.0
# Runs locmap with --dry-run and then for real on a scratch copy of the examples, and checks that the dry run printed byte for byte what GNU diff -a -u prints for the file's change.
#
# Inputs (-D): LOCMAP, EMULATOR (empty, or what runs a cross-built locmap),
# SOURCE_DIR, SCRATCH_DIR, FILE (scratch-relative: the file the run changes),
# LABEL (the file as the tool names it; FILE when empty), ARGUMENTS (list: the
# run, without --dry-run).

file(REMOVE_RECURSE "${SCRATCH_DIR}")
foreach(dir examples tools/testdata)
  file(COPY "${SOURCE_DIR}/${dir}/" DESTINATION "${SCRATCH_DIR}/${dir}")
endforeach()
file(COPY_FILE "${SCRATCH_DIR}/${FILE}" "${SCRATCH_DIR}/before.map")

# Files, not variables: CMake strings end at a NUL byte.
foreach(run dry real)
  set(extra "")
  if(run STREQUAL "dry")
    set(extra --dry-run)
  endif()
  execute_process(COMMAND ${EMULATOR} "${LOCMAP}" ${ARGUMENTS} ${extra} WORKING_DIRECTORY "${SCRATCH_DIR}"
    RESULT_VARIABLE exitCode OUTPUT_FILE "${SCRATCH_DIR}/${run}.out" ERROR_VARIABLE errors)
  if(NOT exitCode STREQUAL "0")
    message(FATAL_ERROR "locmap ${ARGUMENTS} ${extra}: exit ${exitCode}\n${errors}")
  endif()
endforeach()
if(NOT LABEL)
  set(LABEL "${FILE}")
endif()
# GNU diff quotes a file name that holds a backslash, C-style; a label it
# prints as given, so the label is the name as diff would have quoted it.
if(LABEL MATCHES "[\\]")
  string(REPLACE "\\" "\\\\" LABEL "${LABEL}")
  set(LABEL "\"${LABEL}\"")
endif()
execute_process(COMMAND diff -a -u --label "${LABEL}" --label "${LABEL}" before.map "${FILE}"
  WORKING_DIRECTORY "${SCRATCH_DIR}" OUTPUT_FILE "${SCRATCH_DIR}/gnu.diff")
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files dry.out gnu.diff
  WORKING_DIRECTORY "${SCRATCH_DIR}" RESULT_VARIABLE differs)
if(differs)
  file(READ "${SCRATCH_DIR}/dry.out" ours HEX)
  file(READ "${SCRATCH_DIR}/gnu.diff" theirs HEX)
  message(FATAL_ERROR "locmap ${ARGUMENTS} --dry-run differs from diff -a -u (hex):\n${ours}\n${theirs}")
endif()

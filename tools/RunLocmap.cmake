# Runs locmap once on a scratch copy of the example and compares its exit code and output with the expected ones.
#
# Inputs (-D): LOCMAP, EMULATOR (may be empty), SOURCE_DIR, SCRATCH_DIR,
# EXPECTED_EXIT, EXPECTED_TEXT (file), CHECK_FILE (compare this file of the
# scratch copy instead of standard output; may be empty), ARGUMENTS (list).

file(REMOVE_RECURSE "${SCRATCH_DIR}")
foreach(dir examples/site tools/testdata)
  file(COPY "${SOURCE_DIR}/${dir}/" DESTINATION "${SCRATCH_DIR}/${dir}")
endforeach()

execute_process(
  COMMAND ${EMULATOR} "${LOCMAP}" ${ARGUMENTS}
  WORKING_DIRECTORY "${SCRATCH_DIR}"
  RESULT_VARIABLE exitCode
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors)

if(CHECK_FILE)
  file(READ "${SCRATCH_DIR}/${CHECK_FILE}" output)
endif()
file(READ "${EXPECTED_TEXT}" expected)
# Windows writes text lines with CR LF; the expected texts use LF.
string(REPLACE "\r\n" "\n" output "${output}")

if(NOT exitCode STREQUAL EXPECTED_EXIT)
  message(FATAL_ERROR "locmap ${ARGUMENTS}: exit ${exitCode}, expected ${EXPECTED_EXIT}\nstderr:\n${errors}")
endif()
if(NOT output STREQUAL expected)
  message(FATAL_ERROR "locmap ${ARGUMENTS}: output differs from ${EXPECTED_TEXT}\n"
    "--- got ---\n${output}--- expected ---\n${expected}--- stderr ---\n${errors}")
endif()

# SPDX-License-Identifier: Apache-2.0
# Walks the exit status table of "locmap --help", the README and the man page: each row runs locmap once on a fresh scratch copy of the examples and compares only its exit code.
#
# Inputs (-D): LOCMAP, EMULATOR (may be empty), SOURCE_DIR, SCRATCH_DIR,
# POSIX (true on a system with /dev/full and POSIX hard paths).
# The table's order: for each command, the codes it can give, 3 as the
# table says for that command. Code 5 needs another process changing a file
# during the save, so no row here gives it. The rows share one scratch copy:
# the edits come last, and no row after them depends on what they change.

set(SITE --map examples/site/zor_location_map)
set(BROKEN --map tools/testdata/broken.map)
set(NESTED --map tools/testdata/nested.map)       # lint warnings, no load warning
set(OVERRIDE LIBS=E:/elsewhere)                   # with SITE: a load warning only
set(UNREAD --map tools/testdata/stops_early.map)  # reading stops early: the file did not read whole

set(failures "")
set(rows 0)
file(REMOVE_RECURSE "${SCRATCH_DIR}")
foreach(dir examples tools/testdata)
  file(COPY "${SOURCE_DIR}/${dir}/" DESTINATION "${SCRATCH_DIR}/${dir}")
endforeach()

# expect(CODE [POSIX] [ENV NAME=VALUE...] [STDOUT file] ARGS argument...)
function(expect code)
  cmake_parse_arguments(PARSE_ARGV 1 row "POSIX" "STDOUT" "ENV;ARGS")
  if(row_POSIX AND NOT POSIX)
    return()
  endif()
  # Variables named like the examples' prefixes, and a map of the machine's own, stay out.
  set(environment TOOLS= LIBS= MODELS= LMX= ZOR_LOCATION_MAP= WDIR= HOME=/nonexistent/home ${row_ENV})
  set(command ${CMAKE_COMMAND} -E env)
  foreach(assignment IN LISTS environment)
    string(REGEX MATCH "^([^=]+)=(.*)$" matched "${assignment}")
    if(CMAKE_MATCH_2 STREQUAL "")
      list(APPEND command --unset=${CMAKE_MATCH_1})
    else()
      list(APPEND command "${assignment}")
    endif()
  endforeach()
  set(output OUTPUT_QUIET)
  if(row_STDOUT)
    set(output OUTPUT_FILE "${row_STDOUT}")
  endif()
  execute_process(COMMAND ${command} ${EMULATOR} "${LOCMAP}" ${row_ARGS}
    WORKING_DIRECTORY "${SCRATCH_DIR}" RESULT_VARIABLE exitCode ${output} ERROR_VARIABLE errors)
  math(EXPR counted "${rows} + 1")
  set(rows ${counted} PARENT_SCOPE)
  if(NOT exitCode STREQUAL code)
    set(failures "${failures}${row_ENV} locmap ${row_ARGS}: exit ${exitCode}, the table says ${code}\n${errors}\n"
      PARENT_SCOPE)
  endif()
endfunction()

# check: 3 on errors, with --strict on warnings too; --keep-going changes nothing.
expect(0 ARGS ${SITE} check)
expect(3 ARGS ${BROKEN} check)
expect(3 ARGS ${BROKEN} --keep-going check)
expect(0 ARGS ${NESTED} check)
expect(3 ARGS ${NESTED} --strict check)
expect(2 ARGS --map examples/no_such_map check)
expect(4 POSIX STDOUT /dev/full ARGS ${BROKEN} check)

# The queries: 3 on errors (--strict: warnings too), never with --keep-going.
foreach(query "explain;$TOOLS" "hard;$TOOLS" "abs;$TOOLS" "soft;C:/tools" "paths;$TOOLS" "which;$TOOLS" "list"
              "export;-")
  expect(0 ARGS ${SITE} ${query})
  expect(3 ARGS ${BROKEN} ${query})
  expect(0 ARGS ${BROKEN} --keep-going ${query})
  expect(0 ENV ${OVERRIDE} ARGS ${SITE} ${query})
  expect(3 ENV ${OVERRIDE} ARGS ${SITE} --strict ${query})
  expect(4 POSIX STDOUT /dev/full ARGS ${SITE} ${query})
endforeach()
expect(1 ARGS ${SITE} explain "$NO_SUCH_PREFIX")
expect(1 ARGS ${SITE} hard "$NO_SUCH_PREFIX\\a")
expect(1 ENV LMX=C:/lmx ARGS ${SITE} hard --map-only "$LMXY")
expect(1 ENV LMX=C:/lmx ARGS ${SITE} explain --map-only "$LMX\\a")
expect(1 ARGS ${SITE} abs "$NO_SUCH_PREFIX\\a")
expect(1 ARGS ${SITE} soft "E:/nowhere")
expect(1 ARGS ${SITE} paths "$NO_SUCH_PREFIX")
expect(1 ARGS ${SITE} which "$NO_SUCH_PREFIX")
expect(1 ARGS ${SITE} export examples/site/shared.map)
expect(4 ARGS ${SITE} export no_such_folder/all.map)
expect(4 ARGS ${SITE} export examples)

# where: never 3.
expect(0 ARGS ${SITE} where)
expect(0 ARGS ${BROKEN} where)
expect(0 ENV ZOR_LOCATION_MAP=tools/testdata/broken.map ARGS --strict where)
expect(2 ARGS where)

# Edits: 3 only when a file the edit must write did not read whole.
expect(0 ARGS ${SITE} add "$NEW_TOOLS" E:/new)
expect(0 ARGS ${SITE} set "$TOOLS" E:/t)
expect(0 ARGS ${SITE} remove "$LIBS")
expect(0 ARGS ${BROKEN} set "$TOOLS" E:/t)
expect(0 ENV ${OVERRIDE} ARGS ${SITE} --strict set "$DOCS" E:/d)
expect(1 ARGS ${SITE} add "$TOOLS" E:/x)
expect(1 ARGS ${SITE} set "$NO_SUCH_PREFIX" E:/x)
expect(1 ARGS ${SITE} remove "$NO_SUCH_PREFIX")
expect(3 ARGS ${UNREAD} set "$TOOLS" E:/x)
expect(3 ARGS ${UNREAD} --keep-going remove "$TOOLS")
expect(4 POSIX STDOUT /dev/full ARGS ${SITE} set "$TOOLS" E:/t2)

# save: 3 on any load error, --keep-going or not; 1 when it refuses to drop
# comments without --force.
expect(1 ARGS ${SITE} save)
expect(0 ARGS ${SITE} save --force)
expect(3 ARGS ${BROKEN} save)
expect(3 ARGS ${BROKEN} --keep-going save)

# help: never 3; usage errors are 2.
expect(0 ARGS help)
expect(0 ARGS ${BROKEN} help list)
expect(2 ARGS help bogus)
expect(4 POSIX STDOUT /dev/full ARGS --help)
expect(2 ARGS ${SITE} hard --dry-run "$TOOLS")
expect(2 ARGS ${SITE} bogus)

file(REMOVE_RECURSE "${SCRATCH_DIR}")
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "${rows} rows of the exit status table hold")

# SPDX-License-Identifier: Apache-2.0
# Tests of the locmap tool: each runs it as a subprocess on a scratch copy of the examples (see RunLocmap.cmake) and compares exit code and output.
#
# locmap_test(NAME EXIT code [ERRORS] [LINUX_ONLY] [SMOKE] [JSON] [CHECK_FILE file] [STDIN file]
#             [STDOUT file] [FIFO file] [ENV NAME=VALUE...] [COPY from to...] [MODE file mode...]
#             [SETUP argument...] ARGS argument...)
# compares standard output (or CHECK_FILE) with testdata/expected/NAME.txt and,
# with ERRORS, standard error with testdata/expected/NAME.err. Each test runs
# from the scratch copy's root, because relative INCLUDE lines resolve against
# the current directory. SMOKE adds the label "smoke": "ctest -L smoke" is the
# quick check that the tool translates both ways and checks a broken map, and
# on the Windows leg that locmap.exe does so under Wine.

# Variables named after the examples' prefixes would override their entries,
# and discovery must not find a map of the machine's own.
set(LOCMAP_CLEAN_ENVIRONMENT
  TOOLS= LIBS= DOCS= SHARED_MODELS= VENDOR_IP= COMPILERS= MODELS= VERILOG= NO_PATHS= MANY=
  PROJECT_SOURCES= PROJECT_BUILD= PROJECT_SIMLIBS= NEW_TOOLS= ROOT= UNC= SRV= SUB= CURRENT_PROJECT_PATH= ZOR_LOCATION_MAP= WDIR=
  FARM= LMX= LMENV=)

# File names in the output are the system's own: where they show, a POSIX
# system has its expected text under expected/posix.
function(locmap_expected_file variable file)
  set(expected ${CMAKE_CURRENT_SOURCE_DIR}/testdata/expected)
  if(NOT WIN32 AND EXISTS ${expected}/posix/${file})
    set(${variable} ${expected}/posix/${file} PARENT_SCOPE)
  else()
    set(${variable} ${expected}/${file} PARENT_SCOPE)
  endif()
endfunction()

function(locmap_test name)
  cmake_parse_arguments(PARSE_ARGV 1 test "ERRORS;LINUX_ONLY;SMOKE;JSON" "EXIT;CHECK_FILE;STDIN;STDOUT;FIFO" "ENV;COPY;MODE;SETUP;ARGS")
  if(test_LINUX_ONLY AND WIN32)
    return()
  endif()
  set(expectedText "")
  locmap_expected_file(expectedText ${name}.txt)
  set(expectedErrors "")
  if(test_ERRORS)
    locmap_expected_file(expectedErrors ${name}.err)
  endif()
  add_test(NAME locmap_${name}
    COMMAND ${CMAKE_COMMAND}
      "-DLOCMAP=$<TARGET_FILE:locmap>"
      "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
      "-DSOURCE_DIR=${LOCMAP_SOURCE_ROOT}"
      "-DSCRATCH_DIR=${CMAKE_CURRENT_BINARY_DIR}/scratch/${name}"
      "-DEXPECTED_EXIT=${test_EXIT}"
      "-DEXPECTED_TEXT=${expectedText}"
      "-DEXPECTED_ERRORS=${expectedErrors}"
      "-DCHECK_FILE=${test_CHECK_FILE}"
      "-DSTDIN_FILE=${test_STDIN}"
      "-DSTDOUT_FILE=${test_STDOUT}"
      "-DFIFO=${test_FIFO}"
      "-DENVIRONMENT=${LOCMAP_CLEAN_ENVIRONMENT};${test_ENV}"
      "-DJSON=${test_JSON}"
      "-DCOPY=${test_COPY}"
      "-DMODES=${test_MODE}"
      "-DSETUP_ARGUMENTS=${test_SETUP}"
      "-DARGUMENTS=${test_ARGS}"
      -P ${CMAKE_CURRENT_SOURCE_DIR}/RunLocmap.cmake)
  set(labels tools)
  if(test_SMOKE)
    list(APPEND labels smoke)
  endif()
  set_tests_properties(locmap_${name} PROPERTIES LABELS "${labels}")
endfunction()

set(SITE --map examples/site/zor_location_map)
set(BROKEN --map examples/broken/zor_location_map)
set(NESTED --map tools/testdata/nested.map)

# The command line: help, version and a specific message for every usage error.
locmap_test(help EXIT 0 ARGS --help)
locmap_test(version EXIT 0 ARGS --version)
locmap_test(help_command EXIT 0 ARGS help paths)
locmap_test(subcommand_help EXIT 0 ARGS check --help)
locmap_test(help_unknown EXIT 2 ERRORS ARGS help bogus)
locmap_test(no_command EXIT 2 ERRORS ARGS)
locmap_test(unknown_command EXIT 2 ERRORS ARGS bogus)
locmap_test(unknown_option EXIT 2 ERRORS ARGS ${SITE} check --bogus)
locmap_test(missing_operand EXIT 2 ERRORS ARGS ${SITE} paths)
locmap_test(bad_format EXIT 2 ERRORS ARGS ${SITE} list --format=xml)
locmap_test(map_and_project EXIT 2 ERRORS ARGS ${SITE} --project examples/project check)
# Usage errors in the tool's own words, with the nearest name for a slip.
locmap_test(usage_unknown_option EXIT 2 ERRORS ARGS --mpa x check)
locmap_test(usage_unknown_command EXIT 2 ERRORS ARGS chek)
locmap_test(usage_option_of_command EXIT 2 ERRORS ARGS ${SITE} check --jsn)
locmap_test(usage_missing_value EXIT 2 ERRORS ARGS check --format)
locmap_test(usage_missing_map EXIT 2 ERRORS ARGS -m)
locmap_test(usage_extra_words EXIT 2 ERRORS ARGS ${SITE} where extra more)
# With neither --map nor --project: nothing found in the scratch copy, HOME or WDIR.
locmap_test(no_map_given EXIT 2 ERRORS LINUX_ONLY ENV HOME=/nonexistent/home ARGS check)
locmap_test(no_map EXIT 2 ERRORS ARGS --map examples/site/no_such_map check)
locmap_test(map_is_directory EXIT 2 ERRORS ARGS --map examples/site check)

# The Linux site map: POSIX hard paths, matched exactly, joined with "/".
set(LINUX_SITE --map examples/linux-site/zor_location_map)
locmap_test(linux_site_check EXIT 0 LINUX_ONLY ARGS ${LINUX_SITE} check)
locmap_test(linux_site_hard EXIT 0 LINUX_ONLY ARGS ${LINUX_SITE} hard "$TOOLS/bin/cc" "$LIBS\\libc.so" /opt/tools/bin)
# HOME unset: a home directory at "/" would hold every path.
locmap_test(linux_site_soft EXIT 1 LINUX_ONLY ERRORS ENV HOME= ARGS ${LINUX_SITE} soft
  /opt/tools/bin/cc /opt/Tools/bin/cc /opt/toolsX/cc "/usr/share/doc/Zor Docs/a.html" "\\\\server\\vendor\\ip\\core.v")
locmap_test(linux_site_override EXIT 0 LINUX_ONLY ENV TOOLS=/usr/local/tools tools=/elsewhere
  ARGS ${LINUX_SITE} hard "$TOOLS/bin/cc")

# check: one line per load problem and lint warning, FILE:LINE: severity: text
# [kind], with hints; exit 3 on load errors (--strict: on warnings too).
locmap_test(check EXIT 0 ARGS ${SITE} check)
locmap_test(check_errors EXIT 3 ARGS --map tools/testdata/broken.map check)
locmap_test(check_broken_example EXIT 3 SMOKE ENV "TOOLS=D:\\elsewhere" ARGS ${BROKEN} check)
locmap_test(check_broken_legacy EXIT 3 ENV "TOOLS=D:\\elsewhere" ARGS ${BROKEN} check --format=legacy)
locmap_test(check_broken_json EXIT 3 JSON ENV "TOOLS=D:\\elsewhere" ARGS ${BROKEN} check --json)
locmap_test(check_nested EXIT 0 ARGS ${NESTED} check)
locmap_test(check_nested_strict EXIT 3 ARGS ${NESTED} --strict check)
locmap_test(check_covering_roots EXIT 0 ARGS --map tools/testdata/covering_roots.map check)
# The lines after an orphan hard path are never read: no warning names them.
locmap_test(check_stops_early EXIT 3 ARGS --map tools/testdata/stops_early.map check)
# An earlier file's entry overriding an included file's is layering: a note,
# which --strict lets pass and -q silences; a second block within one file
# stays a warning.
set(LAYERED --map tools/testdata/layered.map)
locmap_test(check_layered EXIT 0 ARGS ${LAYERED} check)
locmap_test(check_layered_strict EXIT 0 ARGS ${LAYERED} --strict check)
locmap_test(check_layered_quiet EXIT 0 ARGS ${LAYERED} -q --strict check)
locmap_test(check_layered_legacy EXIT 0 ARGS ${LAYERED} check --format=legacy)
locmap_test(check_redefined_strict EXIT 3 ARGS --map tools/testdata/redefined.map --strict check)
locmap_test(check_override EXIT 0 ENV "TOOLS=D:\\elsewhere" ARGS ${SITE} check)
locmap_test(check_override_strict EXIT 3 ENV "TOOLS=D:\\elsewhere" ARGS ${SITE} check --strict)

# One row per hint: tools/testdata/hints/NAME.map, expected output hint_NAME.txt.
foreach(hint
    header_bom              # a UTF-8 byte order mark before the header
    header_utf16            # UTF-16 text: the header holds NUL bytes
    header_word             # ZOR_LOCATION_MAP_2 forced
    unc_forward_slashes     # //server/share, and the variable that could supply the prefix
    bare_drive              # C:
    drive_relative          # C:tools
    relative_path           # tools\bin
    relative_name           # bin under a prefix: a hard path, not a soft prefix without its $
    posix_path              # /opt/tools
    include_beside          # a relative include that names the file beside the map, and why it failed
    no_hard_path_force      # the environment cannot supply a prefix in a force file
    nul_hard_path           # a NUL byte cuts no path short: the line is not used
    missing_dollar          # TOOLS for $TOOLS, and the hard path under it that ends the file
    indented_comment        # a # after blanks, which is no comment
    indented_comment_first  # the same before the header, which loses the file
    include_lower_case      # include for INCLUDE
    include_other_system    # an INCLUDE of the other system's absolute path
    control_bytes)          # escape sequences in a line and an include path are shown escaped
  set(exit 3)
  if(hint STREQUAL posix_path AND NOT WIN32)
    set(exit 0)  # a hard path on Linux: nothing to say
  endif()
  locmap_test(hint_${hint} EXIT ${exit} ARGS --map tools/testdata/hints/${hint}.map check)
endforeach()

# A map that includes files that are no maps (a password file, an environment
# block) shows none of their bytes: each is described, in every command that
# reports load problems; on Linux the process's own environment as well.
set(PRIVATE --map tools/testdata/private/zor_location_map)
locmap_test(private_check EXIT 3 ARGS ${PRIVATE} check)
locmap_test(private_check_json EXIT 3 JSON ARGS ${PRIVATE} check --json)
locmap_test(private_list EXIT 3 ERRORS ARGS ${PRIVATE} list)
locmap_test(private_hard EXIT 3 ERRORS ARGS ${PRIVATE} hard $PRIVATE)
locmap_test(private_environ EXIT 3 LINUX_ONLY ENV SECRET_TOKEN=hunter2-token
  ARGS --map tools/testdata/private/environ.map check)

# Linux hints in POSIX words: a relative path, and a ~ that no one expands.
locmap_test(hint_posix_words EXIT 3 LINUX_ONLY ARGS --map tools/testdata/hints/posix_words.map check)
# The reason the tool cannot read a map is the load's; a named pipe is refused
# at once, never opened.
locmap_test(check_fifo EXIT 2 ERRORS LINUX_ONLY FIFO pipe.map ARGS --map pipe.map check)
# A relative value of a prefix's variable: on Linux the load ignores it and
# warns, and a fallback joins it with "/"; on Windows it is used as it stands,
# and the lint warns.
locmap_test(check_env_relative EXIT 0 ENV TOOLS=relative/path ARGS ${SITE} check)
locmap_test(hard_env_relative EXIT 0 LINUX_ONLY ENV TOOLS=relative/path LMX=rel/lmx
  ARGS ${LINUX_SITE} hard "$TOOLS/bin/gcc" "$LMX/bin")
# A clean map: one summary line on standard error, none with --quiet.
locmap_test(check_clean_summary EXIT 0 ERRORS ARGS ${SITE} check)
locmap_test(check_clean_quiet EXIT 0 ERRORS ARGS ${SITE} check --quiet)

# explain: each case in sentences, a few again as JSON.
locmap_test(explain_soft_name EXIT 0 ARGS ${SITE} explain "$LIBS\\libc.a")
locmap_test(explain_override EXIT 0 ENV "TOOLS=D:\\elsewhere" ARGS ${SITE} explain "$TOOLS\\bin")
locmap_test(explain_supplied EXIT 3 ENV "NO_PATHS=E:\\supplied" ARGS ${BROKEN} explain "$NO_PATHS\\x")
locmap_test(explain_leading_name EXIT 0 ENV "LMX=C:\\lmx" ARGS ${SITE} explain "$LMXY")
locmap_test(explain_live_variable EXIT 0 ENV "LMX=C:\\lmx" ARGS ${SITE} explain "$LMX\\a")
locmap_test(explain_hard_path EXIT 0 ENV "TOOLS=D:\\elsewhere" ARGS ${NESTED} explain
  "C:\\tools\\compilers\\cc" "\\\\server\\models\\verilog\\ram.v")
locmap_test(explain_shadowed EXIT 1 ARGS ${NESTED} explain "D:\\tools\\x")
locmap_test(explain_environment_table EXIT 0 ENV "LMENV=E:\\envtable" ARGS ${SITE} explain "E:\\envtable\\x")
locmap_test(explain_not_translated EXIT 1 ARGS ${SITE} explain "$NO_SUCH_PREFIX\\a" "$NO_SUCH_PREFIX" relative
  "E:\\nowhere")
# An answer of the environment, not of the map, gets a note naming the
# variable (a leading-name expansion, a prefix the map lacks, a prefix it
# gives no hard path); --map-only refuses it. An unquoted soft name that the
# shell expanded gets a hint to quote it.
locmap_test(hard_environment_notes EXIT 0 ERRORS ENV "LMX=C:\\lmx" "NO_PATHS=E:\\supplied"
  ARGS --map tools/testdata/supplied.map hard "$LMXY" "$LMX\\a" "$NO_PATHS\\x" "$TOOLS")
locmap_test(hard_map_only EXIT 1 ERRORS ENV "LMX=C:\\lmx" "NO_PATHS=E:\\supplied"
  ARGS --map tools/testdata/supplied.map --map-only hard "$LMXY" "$LMX\\a" "$NO_PATHS\\x" "$TOOLS")
locmap_test(explain_map_only EXIT 1 ERRORS ENV "LMX=C:\\lmx" ARGS ${SITE} explain --map-only "$LMXY")
# -q silences every note, the exit status kept: the answers of the
# environment, and check's note that ZOR_LOCATION_MAP is not set.
locmap_test(hard_environment_quiet EXIT 0 ERRORS ENV "LMX=C:\\lmx" "NO_PATHS=E:\\supplied"
  ARGS --map tools/testdata/supplied.map -q hard "$LMXY" "$LMX\\a" "$NO_PATHS\\x" "$TOOLS")
locmap_test(check_quiet EXIT 0 ERRORS ARGS --project examples/site check -q)
# --json: per name its answer and the variable that gave it, or why there is none.
locmap_test(hard_json EXIT 3 JSON ENV "LMX=C:\\lmx"
  ARGS --map tools/testdata/supplied.map hard --json "$LMX\\a" "$TOOLS\\bin" "$NO_SUCH_PREFIX\\x")
locmap_test(soft_json EXIT 1 JSON ARGS ${SITE} soft --json "C:\\tools\\x" "Q:\\nowhere")
locmap_test(hard_unquoted EXIT 0 ERRORS LINUX_ONLY ARGS ${SITE} hard /bin/cc)
locmap_test(set_unquoted EXIT 2 ERRORS LINUX_ONLY ARGS ${SITE} set /x)
# A name that does not translate names the includes that failed, and why.
locmap_test(explain_failed_include EXIT 3 ERRORS ARGS --map tools/testdata/hints/include_beside.map
  explain "$TEAM\\x")
# Control bytes of hard paths are shown escaped.
locmap_test(explain_control_bytes EXIT 3 ARGS --map tools/testdata/hints/control_bytes.map explain "$FARM")
locmap_test(explain_json EXIT 1 JSON ENV "TOOLS=D:\\elsewhere" ARGS ${NESTED} explain --json
  "$TOOLS\\bin" "C:\\tools\\compilers\\cc" "D:\\tools\\x" "$NO_SUCH_PREFIX\\a")

# Queries; drive-letter and UNC hard paths both ways (also the Windows smoke test).
# The long name outgrows the first buffer, so the tool must retry with a larger one.
string(REPEAT "directory_name\\" 30 longTail)
locmap_test(hard EXIT 1 ERRORS SMOKE ARGS ${SITE} hard
  "$TOOLS\\bin\\cc.exe" "$LIBS/libc.a" "$NO_SUCH_PREFIX\\a.v" "$SHARED_MODELS" "$TOOLS\\${longTail}x.v")
locmap_test(abs EXIT 0 ARGS ${SITE} abs "$TOOLS\\bin" "$DOCS\\index.html")
locmap_test(soft EXIT 1 ERRORS SMOKE ARGS ${SITE} soft
  "C:\\tools\\bin\\cc.exe" "\\\\server\\models\\verilog\\ram.v" "D:/mirror/libs" "E:\\elsewhere")
locmap_test(paths EXIT 0 ARGS ${SITE} paths "$LIBS")
locmap_test(paths_unknown EXIT 1 ERRORS ARGS ${SITE} paths "TOOLS")
locmap_test(which EXIT 1 ERRORS ARGS ${SITE} which "$TOOLS" "$VENDOR_IP" "$NO_SUCH_PREFIX")
locmap_test(list EXIT 0 ARGS ${SITE} list)
locmap_test(list_map EXIT 0 ARGS ${SITE} list --format=map)
locmap_test(list_json EXIT 0 JSON ENV "TOOLS=D:\\elsewhere" ARGS ${SITE} list --json)
locmap_test(list_json_raw_bytes EXIT 0 JSON ARGS --map tools/testdata/latin1.map list --json)
locmap_test(stdin EXIT 0 STDIN examples/site/zor_location_map ARGS --map - hard "$VENDOR_IP\\x")
locmap_test(stdin_check EXIT 3 STDIN tools/testdata/broken.map ARGS --map - check)
locmap_test(project EXIT 0 ARGS --project examples/project list)
locmap_test(project_env EXIT 0 ENV "ZOR_LOCATION_MAP=examples/site/zor_location_map"
  ARGS --project examples/project which "$TOOLS")
# Wine hands Windows programs no HOME, so the home line differs there.
locmap_test(project_not_found EXIT 2 ERRORS LINUX_ONLY
  ENV HOME=/nonexistent/home "WDIR=;/nonexistent/a;/nonexistent/b;"
  ARGS --project examples/nowhere check)
locmap_test(project_bad_env EXIT 2 ERRORS ENV ZOR_LOCATION_MAP=examples/missing.map
  ARGS --project examples/project check)

# With neither --map nor --project the map is found as by --project . ;
# where prints the map alone on standard output and, on standard error, each
# place in search order: passed over and why, taken, or not searched.
locmap_test(discovered EXIT 0 ENV ZOR_LOCATION_MAP=examples/site/zor_location_map ARGS list)
locmap_test(where_map EXIT 0 ERRORS ARGS ${SITE} where)
locmap_test(where_home EXIT 0 ERRORS LINUX_ONLY ENV HOME=tools/testdata/home ARGS where)
locmap_test(where_project EXIT 0 ERRORS LINUX_ONLY ENV HOME=/nonexistent/home ARGS where --project examples/project)
# A project's own map that ZOR_LOCATION_MAP hides shows as not searched.
locmap_test(where_variable_hides_project EXIT 0 ERRORS ENV HOME= ZOR_LOCATION_MAP=examples/site/zor_location_map
  WDIR=examples ARGS where --project examples/project)
locmap_test(where_json EXIT 0 JSON ENV HOME= ZOR_LOCATION_MAP=examples/site/zor_location_map
  ARGS where --project examples/project --json)
locmap_test(where_json_home EXIT 0 JSON LINUX_ONLY ENV HOME=tools/testdata/home "WDIR=/nonexistent/a:/nonexistent/b"
  ARGS where --json)
# A map name that is no UTF-8 keeps its bytes in place_raw and map_raw.
string(ASCII 233 latin1SmallEAcute)
locmap_test(where_json_raw_bytes EXIT 0 JSON LINUX_ONLY SETUP ${SITE} export "caf${latin1SmallEAcute}.map"
  ARGS --map "caf${latin1SmallEAcute}.map" where --json)
# Values that cannot mean what was meant get a hint, found or not.
locmap_test(where_hint_wdir_colon EXIT 2 ERRORS LINUX_ONLY
  ENV HOME=/nonexistent/home "WDIR=/nonexistent/a:/nonexistent/b" ARGS where --project examples/nowhere)
locmap_test(where_hint_variable_folder EXIT 2 ERRORS ENV ZOR_LOCATION_MAP=examples/project ARGS where)
locmap_test(where_hint_tilde EXIT 2 ERRORS ENV "ZOR_LOCATION_MAP=~/zor/zor_location_map" ARGS where)
locmap_test(where_hint_wdir_tilde EXIT 0 ERRORS ENV HOME= "WDIR=examples/nowhere;~/zor"
  ARGS where --project examples/project)
# A map the search found that other users may change is named as such, and
# used: where and check add a note.
locmap_test(where_project_shared EXIT 0 ERRORS LINUX_ONLY ENV HOME=/nonexistent/home
  MODE examples/project/zor_location_map 0664 ARGS where --project examples/project)
locmap_test(check_project_shared EXIT 0 ERRORS LINUX_ONLY ENV HOME=/nonexistent/home
  MODE examples/project 0777 ARGS check --project examples/project)

# Load errors go to standard error before the results and make the run exit
# 3; --keep-going lets it exit as if the map were clean; --strict counts
# warnings too.
locmap_test(errors_before_results EXIT 3 ERRORS ARGS --map tools/testdata/broken.map hard "$TOOLS\\x")
locmap_test(errors_keep_going EXIT 0 ARGS --map tools/testdata/broken.map --keep-going which "$TOOLS")
locmap_test(errors_list EXIT 3 ARGS --map examples/broken/bad_header.map list)
locmap_test(warnings_strict EXIT 3 ERRORS ENV "TOOLS=D:\\elsewhere" ARGS ${SITE} --strict hard "$TOOLS\\x")
locmap_test(warnings_not_strict EXIT 0 ENV "TOOLS=D:\\elsewhere" ARGS ${SITE} hard "$TOOLS\\x")

# Edits are saved at once, survive a reload, and are refused while the map has errors.
locmap_test(add_reloaded EXIT 0 SETUP ${SITE} add "$NEW_TOOLS" "E:\\new\\tools" "\\\\server\\new"
  ARGS ${SITE} paths "$NEW_TOOLS")
locmap_test(add_saved EXIT 0 CHECK_FILE examples/site/zor_location_map
  ARGS ${SITE} add "$NEW_TOOLS" "E:\\new\\tools")
locmap_test(set_included EXIT 0 CHECK_FILE examples/site/shared.map
  ARGS ${SITE} set "$VENDOR_IP" "\\\\server\\ip2")
locmap_test(remove_reloaded EXIT 0 SETUP ${SITE} remove "$LIBS" ARGS ${SITE} list)
locmap_test(add_existing EXIT 1 ERRORS ARGS ${SITE} add "$TOOLS" "E:\\x")
locmap_test(add_bad_prefix EXIT 1 ERRORS ARGS ${SITE} add "$1X" "E:\\x")
# The library's refusal names the one rule a value breaks.
locmap_test(add_relative_path EXIT 1 ERRORS ARGS ${SITE} add "$NEW" "E:\\x" "new\\tools")
locmap_test(set_comment_in_path EXIT 1 ERRORS ARGS ${SITE} set "$TOOLS" "E:\\x#1")
locmap_test(set_unknown EXIT 1 ERRORS ARGS ${SITE} set "$NO_SUCH_PREFIX" "E:\\x")
# A load error in a file that read whole does not block an edit: its line is kept byte for byte.
locmap_test(edit_refused EXIT 0 CHECK_FILE tools/testdata/broken.map
  ARGS --map tools/testdata/broken.map add "$NEW_TOOLS" "E:\\x")
locmap_test(edit_blocked_unread EXIT 3 ERRORS CHECK_FILE tools/testdata/stops_early.map
  ARGS --map tools/testdata/stops_early.map set "$TOOLS" "E:\\x")

# A save removes no file it did not make: a user's own file named like the
# save lock, or like the temporary files of older versions, stays as it was.
locmap_test(set_keeps_lock_decoy EXIT 0 CHECK_FILE examples/site/shared.map.save-lock
  COPY tools/testdata/decoy.txt examples/site/shared.map.save-lock
  ARGS ${SITE} set "$VENDOR_IP" "\\\\server\\ip2")
locmap_test(set_keeps_temporary_decoy EXIT 0 CHECK_FILE examples/site/shared.map.tmp-backup
  COPY tools/testdata/decoy.txt examples/site/shared.map.tmp-backup
  ARGS ${SITE} set "$VENDOR_IP" "\\\\server\\ip2")

# Which file an edit changes, what it prints, and what it refuses.
locmap_test(set_defining_file EXIT 0 CHECK_FILE tools/testdata/nested_site.map
  ARGS ${NESTED} set "$MODELS" "E:\\m")
locmap_test(set_quiet EXIT 0 ARGS ${SITE} set --quiet "$TOOLS" "E:\\t")
locmap_test(set_dry_run EXIT 0 ARGS ${SITE} set --dry-run "$LIBS" "E:\\libs")
locmap_test(set_all_files EXIT 0 CHECK_FILE tools/testdata/nested_site.map
  ARGS ${NESTED} set --all-files "$MODELS" "E:\\m")
locmap_test(set_environment_only EXIT 1 ERRORS ENV NEW_TOOLS=E:\\env ARGS ${SITE} set "$NEW_TOOLS" "E:\\x")
locmap_test(set_overridden EXIT 0 ERRORS ENV TOOLS=E:\\env ARGS ${SITE} set "$TOOLS" "E:\\t")
locmap_test(set_too_many EXIT 1 ERRORS ARGS ${SITE} set "$TOOLS"
  C:\\1 C:\\2 C:\\3 C:\\4 C:\\5 C:\\6 C:\\7 C:\\8 C:\\9 C:\\10 C:\\11
  C:\\12 C:\\13 C:\\14 C:\\15 C:\\16 C:\\17 C:\\18 C:\\19 C:\\20 C:\\21)
# "C:/tools" over an indented line is written as it reads back: C:\tools.
locmap_test(set_indented_drive_slash EXIT 0 CHECK_FILE tools/testdata/indented_path.map
  ARGS --map tools/testdata/indented_path.map set "$TOOLS" C:/tools)
locmap_test(add_to_file EXIT 0 CHECK_FILE examples/site/shared.map
  ARGS ${SITE} add --file examples/site/shared.map "$NEW_TOOLS" "E:\\new")
locmap_test(remove_next_definition EXIT 0 ARGS --map tools/testdata/shadowing.map remove "$SHARED_MODELS")
# Edits say when the map's answers do not change, and what takes over.
locmap_test(set_shadowed EXIT 0 ERRORS ARGS --map tools/testdata/shadowing.map
  set --file examples/site/shared.map "$SHARED_MODELS" "E:\\m")
locmap_test(remove_dry_run_next EXIT 0 ERRORS ARGS --map tools/testdata/shadowing.map
  remove --dry-run "$SHARED_MODELS")
# The surplus path line goes though the paths the reader takes stay the same.
locmap_test(set_drops_surplus_paths EXIT 0 CHECK_FILE tools/testdata/many_paths.map
  ARGS --map tools/testdata/many_paths.map set "$MANY" C:\\many\\1 C:\\many\\2 C:\\many\\3 C:\\many\\4
  C:\\many\\5 C:\\many\\6 C:\\many\\7 C:\\many\\8 C:\\many\\9 C:\\many\\10 C:\\many\\11 C:\\many\\12
  C:\\many\\13 C:\\many\\14 C:\\many\\15 C:\\many\\16 C:\\many\\17 C:\\many\\18 C:\\many\\19 C:\\many\\20)
# Control bytes of the environment value are shown escaped.
string(ASCII 27 escape)
locmap_test(set_overridden_control_bytes EXIT 0 ERRORS LINUX_ONLY ENV "TOOLS=/env${escape}[2J"
  ARGS ${SITE} set --quiet "$TOOLS" "E:\\t")
locmap_test(set_dry_run_no_final_line_end EXIT 0 ARGS --map tools/testdata/diff/no_final_line_end.map
  set --dry-run "$LIBS" "E:\\libs")

# Dry runs print what GNU diff -a -u prints for the real run's change, byte
# for byte: NUL bytes, CR LF line ends and a last line without a line end, on
# Windows too (standard output adds no CR there).
find_program(LOCMAP_GNU_DIFF diff)
if(LOCMAP_GNU_DIFF AND (NOT WIN32 OR CMAKE_CROSSCOMPILING_EMULATOR))
  foreach(fixture nul_comment crlf_comments no_final_line_end)
    set(map tools/testdata/diff/${fixture}.map)
    set(label ${map})
    if(WIN32)
      string(REPLACE "/" "\\" label "${map}")
    endif()
    foreach(run "set;$TOOLS;E:\\new" "remove;$LIBS" "save;--force")
      list(GET run 0 command)
      add_test(NAME locmap_gnu_diff_${command}_${fixture}
        COMMAND ${CMAKE_COMMAND} "-DLOCMAP=$<TARGET_FILE:locmap>" "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
          "-DSOURCE_DIR=${LOCMAP_SOURCE_ROOT}"
          "-DSCRATCH_DIR=${CMAKE_CURRENT_BINARY_DIR}/scratch/gnu_diff_${command}_${fixture}" "-DFILE=${map}"
          "-DLABEL=${label}"
          "-DARGUMENTS=--map;${map};${run}" -P ${CMAKE_CURRENT_SOURCE_DIR}/CompareWithGnuDiff.cmake)
      set_tests_properties(locmap_gnu_diff_${command}_${fixture} PROPERTIES LABELS tools)
    endforeach()
  endforeach()
endif()
# Data (hard paths, map names) goes into a pipe byte for byte and reaches a
# terminal escaped, as ls does; script(1) gives the run a terminal.
find_program(LOCMAP_SCRIPT script)
if(NOT WIN32 AND LOCMAP_SCRIPT)
  add_test(NAME locmap_data_on_terminal
    COMMAND ${CMAKE_COMMAND} "-DLOCMAP=$<TARGET_FILE:locmap>"
      "-DSCRATCH_DIR=${CMAKE_CURRENT_BINARY_DIR}/scratch/data_on_terminal" -P ${CMAKE_CURRENT_SOURCE_DIR}/RunOnTerminal.cmake)
  set_tests_properties(locmap_data_on_terminal PROPERTIES LABELS tools)
endif()
locmap_test(edit_stdin_refused EXIT 1 ERRORS STDIN examples/site/zor_location_map
  ARGS --map - remove "$TOOLS")

# Save and export.
locmap_test(save EXIT 0 CHECK_FILE examples/site/zor_location_map ARGS ${SITE} save --force)
# save prints each file written; it refuses files whose comments or CR LF line
# ends it would drop, unless --force; --dry-run prints the diffs.
set(PLAIN --map tools/testdata/plain.map)
locmap_test(save_prints_files EXIT 0 ARGS ${PLAIN} save)
locmap_test(save_quiet EXIT 0 CHECK_FILE tools/testdata/plain.map ARGS ${PLAIN} save --quiet)
locmap_test(save_refuses_comments EXIT 1 ERRORS CHECK_FILE examples/site/shared.map ARGS ${SITE} save)
locmap_test(save_refuses_crlf EXIT 1 ERRORS ARGS --map tools/testdata/crlf.map save)
locmap_test(save_dry_run EXIT 1 ERRORS ARGS ${SITE} save --dry-run)
# A dry run exits as the real run would: a file it may not write is refused
# (exit 4) by both, and only the real run writes.
foreach(run dry_run real)
  set(flag "")
  if(run STREQUAL "dry_run")
    set(flag --dry-run)
  endif()
  locmap_test(set_read_only_${run} EXIT 4 ERRORS LINUX_ONLY MODE tools/testdata/supplied.map 0444
    ARGS --map tools/testdata/supplied.map set ${flag} "$TOOLS" "E:\\new")
endforeach()
# The included file's name is too long for the files written beside it, so
# its save fails: the message names it and the library's reason, and the main
# file, which the edit does not concern, is left alone.
string(REPEAT "x" 236 longName)
locmap_test(save_failure_named EXIT 4 ERRORS CHECK_FILE tools/testdata/long_include.map
  COPY examples/site/shared.map tools/testdata/long_name_${longName}.map
  ARGS --map tools/testdata/long_include.map set "$VENDOR_IP" "E:\\new")
locmap_test(save_refused EXIT 3 CHECK_FILE tools/testdata/broken.map ARGS --map tools/testdata/broken.map save)
locmap_test(export_stdout EXIT 0 ARGS ${SITE} export -)
locmap_test(export_file EXIT 0 CHECK_FILE exported.map ARGS ${SITE} export exported.map)
locmap_test(export_to_directory EXIT 4 ERRORS ARGS ${SITE} export examples)
locmap_test(export_loaded_map EXIT 1 ERRORS CHECK_FILE examples/site/shared.map
  ARGS ${SITE} export examples/site/shared.map)
# A value the file could not hold as it is: nothing is written, and the message names the prefix.
locmap_test(export_would_not_read_back EXIT 1 ERRORS ENV "TOOLS=D:\\a#b" ARGS ${SITE} export exported.map)

# A result that cannot reach standard output is a failure to write.
locmap_test(stdout_full EXIT 4 ERRORS LINUX_ONLY STDOUT /dev/full ARGS ${SITE} list)
locmap_test(export_stdout_full EXIT 4 ERRORS LINUX_ONLY STDOUT /dev/full ARGS ${SITE} export -)
locmap_test(export_missing_folder EXIT 4 ERRORS ARGS ${SITE} export no_such_folder/all.map)

# Every row of the exit status table, command by command, in one test.
if(NOT WIN32)
  add_test(NAME locmap_exit_status_table
    COMMAND ${CMAKE_COMMAND} "-DLOCMAP=$<TARGET_FILE:locmap>" "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
      "-DSOURCE_DIR=${LOCMAP_SOURCE_ROOT}" "-DSCRATCH_DIR=${CMAKE_CURRENT_BINARY_DIR}/scratch/exit_status_table"
      -DPOSIX=ON -P ${CMAKE_CURRENT_SOURCE_DIR}/ExitCodeTable.cmake)
  set_tests_properties(locmap_exit_status_table PROPERTIES LABELS "tools;exit-table")
endif()

# Options go before or after the command, a command's own options too; one
# that the command does not take is named with the commands that do.
locmap_test(options_before_command EXIT 0 CHECK_FILE examples/site/zor_location_map
  ARGS -q ${SITE} set "$TOOLS" "E:\\t")
locmap_test(dry_run_before_command EXIT 0 ARGS --dry-run ${SITE} set "$LIBS" "E:\\libs")
locmap_test(option_of_other_command EXIT 2 ERRORS ARGS ${SITE} hard --dry-run "$TOOLS")

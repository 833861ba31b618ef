# SPDX-License-Identifier: Apache-2.0
# Fails when an #include under SOURCE_DIR runs upward through the library's layers:
#   catalogue <- containers <- paths <- platform <- locmapfile <- locmap <- capi <- tools
# The catalogue (the words of every problem kind and failure reason) stands
# on the ground floor, so that every layer can name what went wrong.
# A file may include its own layer or any layer below it. Sources under src/
# and tools/ and the public headers under include/locmap50/ are checked, with
# quoted and angle-bracket includes alike. A file the check cannot place in a
# layer (a folder under src/ that is no layer, a public header missing from
# the table below) fails it too, so that no new corner goes unchecked.
#
# Usage: cmake -DSOURCE_DIR=<dir holding src/, include/ and tools/>
#              [-DALLOWED_UPWARD_EDGES=<list>] -P check_layering.cmake

cmake_minimum_required(VERSION 3.25)

set(layers catalogue containers paths platform locmapfile locmap capi tools)

# The layer each public header belongs to.
set(header_layer_export.h paths)
set(header_layer_result_codes.h catalogue)
set(header_layer_PrivateState.h paths)
set(header_layer_version.h paths)
set(header_layer_rules.h paths)
set(header_layer_VnLocMapFile.h locmapfile)
set(header_layer_VnLocMap.h locmap)
set(header_layer_VnExplanation.h locmap)
set(header_layer_VnLoadAccount.h locmap)
set(header_layer_locmap50.h capi)

# Upward edges allowed, each as "<file> -> <include as written>". None is
# left; an entry that no longer occurs fails the check, so the list can only
# shrink. The fixtures pass their own (empty) list.
if(NOT DEFINED ALLOWED_UPWARD_EDGES)
  set(ALLOWED_UPWARD_EDGES "")
endif()

function(layer_rank name out)
  list(FIND layers "${name}" rank)
  set(${out} ${rank} PARENT_SCOPE)
endfunction()

# The layer of a public header by its name below include/; empty when unknown.
function(layer_of_public_header name out)
  string(REGEX REPLACE "\\.in$" "" name "${name}")
  set(${out} "${header_layer_${name}}" PARENT_SCOPE)
endfunction()

# The layer of a file given relative to SOURCE_DIR; empty when it has none.
# Below src/ that is its first folder; files directly in src/, such as the
# process-wide statics, sit with the C interface that owns them.
function(layer_of_file relative out)
  set(result "")
  if(relative MATCHES "^tools/")
    set(result tools)
  elseif(relative MATCHES "^include/locmap50/([^/]+)$")
    layer_of_public_header("${CMAKE_MATCH_1}" result)
  elseif(relative MATCHES "^src/([^/]+)/")
    list(FIND layers "${CMAKE_MATCH_1}" found)
    if(found GREATER -1)
      set(result ${CMAKE_MATCH_1})
    endif()
  elseif(relative MATCHES "^src/[^/]+$")
    set(result capi)
  endif()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

# The layer an included name belongs to: "-" for anything outside the library
# (standard and third-party headers, same-folder includes), empty for a name
# of the library that no layer holds.
function(layer_of_include name out)
  set(result "-")
  if(name MATCHES "^locmap50/(.+)$")
    layer_of_public_header("${CMAKE_MATCH_1}" result)
  elseif(name MATCHES "^([^/]+)/")
    set(folder "${CMAKE_MATCH_1}")
    list(FIND layers "${folder}" found)
    if(found GREATER -1)
      set(result ${folder})
    elseif(IS_DIRECTORY "${SOURCE_DIR}/src/${folder}")
      set(result "")
    endif()
  endif()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(patterns "")
foreach(folder src tools)
  foreach(extension h hpp c cpp inc)
    list(APPEND patterns "${SOURCE_DIR}/${folder}/*.${extension}")
  endforeach()
endforeach()
list(APPEND patterns "${SOURCE_DIR}/include/*.h" "${SOURCE_DIR}/include/*.h.in")
file(GLOB_RECURSE files ${patterns})

set(violations "")
set(unplaced "")
set(allowed_seen "")
foreach(file IN LISTS files)
  file(RELATIVE_PATH relative "${SOURCE_DIR}" "${file}")
  layer_of_file("${relative}" file_layer)
  if(file_layer STREQUAL "")
    string(APPEND unplaced "  ${relative} (in no layer)\n")
    continue()
  endif()
  layer_rank("${file_layer}" file_rank)
  # Only the include lines: other lines could hold "[" or ";", which CMake
  # lists do not keep apart.
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*(<([^>]+)>|\"([^\"]+)\")")
      continue()
    endif()
    set(included "${CMAKE_MATCH_2}${CMAKE_MATCH_3}")
    layer_of_include("${included}" target_layer)
    if(target_layer STREQUAL "")
      string(APPEND unplaced "  ${relative} includes ${included} (in no layer)\n")
    elseif(NOT target_layer STREQUAL "-")
      layer_rank("${target_layer}" target_rank)
      if(target_rank GREATER file_rank)
        set(edge "${relative} -> ${included}")
        if(edge IN_LIST ALLOWED_UPWARD_EDGES)
          list(APPEND allowed_seen "${edge}")
        else()
          string(APPEND violations "  ${relative} (${file_layer}) includes ${included} (${target_layer})\n")
        endif()
      endif()
    endif()
  endforeach()
endforeach()

set(stale "")
foreach(edge IN LISTS ALLOWED_UPWARD_EDGES)
  if(NOT edge IN_LIST allowed_seen)
    string(APPEND stale "  ${edge}\n")
  endif()
endforeach()

set(report "")
if(NOT violations STREQUAL "")
  string(APPEND report "Includes that run upward through the layers:\n${violations}")
endif()
if(NOT unplaced STREQUAL "")
  string(REPLACE ";" ", " layer_names "${layers}")
  string(APPEND report "Files and includes the check cannot place in a layer (${layer_names}):\n${unplaced}")
endif()
if(NOT stale STREQUAL "")
  string(APPEND report "Allowed upward edges that no longer occur; take them off the list:\n${stale}")
endif()
list(LENGTH files count)
if(NOT report STREQUAL "")
  message(FATAL_ERROR "${report}")
endif()
list(LENGTH allowed_seen allowed_count)
message(STATUS "${count} files checked: every include runs downward, but for ${allowed_count} allowed edge(s)")

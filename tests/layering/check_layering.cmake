# Fails when an #include under SOURCE_DIR runs upward through the library's layers:
#   paths <- platform <- locmapfile <- locmap <- capi <- tools
# A file may include its own layer or any layer below it. The one upward edge
# the design fixes (the reader fills the location map's tables, the
# diagnostics append to its text) is allowed where the line above the
# #include says "Upward by design".
#
# Usage: cmake -DSOURCE_DIR=<dir holding src/ and tools/> -P check_layering.cmake

set(layers paths platform locmapfile locmap capi tools)

# The layer each public header belongs to.
set(header_layer_export.h paths)
set(header_layer_result_codes.h paths)
set(header_layer_PrivateState.h paths)
set(header_layer_version.h paths)
set(header_layer_VnLocMapFile.h locmapfile)
set(header_layer_VnLocMap.h locmap)
set(header_layer_locmap50.h capi)

function(layer_rank name out)
  list(FIND layers "${name}" rank)
  set(${out} ${rank} PARENT_SCOPE)
endfunction()

# The layer of a file: its first folder below src/ (files directly in src/,
# such as the process-wide statics, sit with the C interface that owns them).
function(layer_of_file file out)
  file(RELATIVE_PATH relative "${SOURCE_DIR}" "${file}")
  if(relative MATCHES "^tools/")
    set(${out} tools PARENT_SCOPE)
  elseif(relative MATCHES "^src/([^/]+)/")
    set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
  else()
    set(${out} capi PARENT_SCOPE)
  endif()
endfunction()

# The layer an included name belongs to; empty for anything outside the library.
function(layer_of_include name out)
  set(result "")
  if(name MATCHES "^locmap50/(.+)$")
    set(result "${header_layer_${CMAKE_MATCH_1}}")
  elseif(name MATCHES "^([^/]+)/")
    list(FIND layers "${CMAKE_MATCH_1}" found)
    if(found GREATER -1)
      set(result ${CMAKE_MATCH_1})
    endif()
  endif()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

file(GLOB_RECURSE files "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp"
                        "${SOURCE_DIR}/tools/*.h" "${SOURCE_DIR}/tools/*.cpp")
set(violations "")
foreach(file IN LISTS files)
  layer_of_file("${file}" file_layer)
  layer_rank("${file_layer}" file_rank)
  file(STRINGS "${file}" lines)
  set(previous "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\"")
      set(included "${CMAKE_MATCH_1}")
      layer_of_include("${included}" target_layer)
      if(NOT target_layer STREQUAL "")
        layer_rank("${target_layer}" target_rank)
        if(target_rank GREATER file_rank AND NOT previous MATCHES "Upward by design")
          file(RELATIVE_PATH relative "${SOURCE_DIR}" "${file}")
          string(APPEND violations "  ${relative} (${file_layer}) includes ${included} (${target_layer})\n")
        endif()
      endif()
    endif()
    if(NOT line STREQUAL "")
      set(previous "${line}")
    endif()
  endforeach()
endforeach()

list(LENGTH files count)
if(NOT violations STREQUAL "")
  message(FATAL_ERROR "Includes that run upward through the layers:\n${violations}")
endif()
message(STATUS "${count} files checked: every include runs downward")

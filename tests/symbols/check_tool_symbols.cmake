# SPDX-License-Identifier: Apache-2.0
# Checks that the locmap tool defines none of the library's code: it reaches the library through the shared library only.
#
# Run as: cmake -DTOOL_BINARY=<locmap> -DNM=<nm> -DHEADER=<locmap50.h> -P check_tool_symbols.cmake
# A symbol the tool defines itself (text or data, not a weak copy of a
# header's inline function or template) is the library's when it lies in
# namespace locmap50, belongs to a Vn class, or is a C function of locmap50.h.

cmake_minimum_required(VERSION 3.25)

foreach(required TOOL_BINARY NM HEADER)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "check_tool_symbols.cmake: -D${required}=... is missing")
  endif()
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/DeclaredFunctions.cmake)
read_declared_functions("${HEADER}" cFunctions)
list(JOIN cFunctions "|" cAlternatives)

execute_process(COMMAND "${NM}" --demangle --defined-only "${TOOL_BINARY}"
  OUTPUT_VARIABLE symbols ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${TOOL_BINARY}: ${errors}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(found "")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^[0-9a-fA-F]+ [TtDdBbRr] (.+)$")
    continue()
  endif()
  set(name "${CMAKE_MATCH_1}")
  if(name MATCHES "^(locmap50::|Vn[A-Za-z0-9_]*::|(${cAlternatives})$)")
    string(APPEND found "  ${name}\n")
  endif()
endforeach()
if(found)
  message(FATAL_ERROR "${TOOL_BINARY} defines the library's own symbols:\n${found}")
endif()
list(LENGTH lines symbolCount)
message(STATUS "${TOOL_BINARY}: ${symbolCount} defined symbols, none of them the library's")

# SPDX-License-Identifier: Apache-2.0
# Checks that the shared library exports exactly the documented interface: the C functions of locmap50.h, the
# public members of the classes and the functions of namespace locmap50::rules, and that its export table is the
# one committed in EXPECTED.
#
# Run as: cmake -DLIBRARY=<so or dll> -DHEADER=<locmap50.h> -DFORMAT=elf|pe
#               -DTOOL=<nm for elf, objdump for pe> -DDEMANGLER=<c++filt>
#               -DEXPECTED=<committed export list> [-DUPDATE=ON] -P check_exports.cmake
# The export table is read on the build host, so the Windows leg needs no Wine here.
# The class and C function checks work on mangled names, which cannot confuse
# VnLocMap with VnLocMapFile (the mangled name carries the length). The
# committed list holds the names demangled, so that a change reads well in a
# diff. UPDATE=ON rewrites the list from the library instead of comparing.

cmake_minimum_required(VERSION 3.25)

foreach(required LIBRARY HEADER FORMAT TOOL DEMANGLER EXPECTED)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "check_exports.cmake: -D${required}=... is missing")
  endif()
endforeach()

# The C functions the header declares are the exports the library owes its callers.
include(${CMAKE_CURRENT_LIST_DIR}/DeclaredFunctions.cmake)

# Defined dynamic symbols of an ELF shared object, one name per entry.
function(read_elf_exports library outVar)
  execute_process(COMMAND "${TOOL}" -D --defined-only "${library}"
    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TOOL} failed on ${library}: ${errors}")
  endif()
  string(REGEX MATCHALL "[^\n]+" lines "${output}")
  set(names "")
  foreach(line IN LISTS lines)
    # "address type name"; the absolute symbol naming a version node is no export.
    if(line MATCHES "^[0-9a-fA-F]* *([A-Za-z]) ([^ @]+)")
      if(NOT CMAKE_MATCH_1 STREQUAL "A")
        list(APPEND names "${CMAKE_MATCH_2}")
      endif()
    endif()
  endforeach()
  set(${outVar} "${names}" PARENT_SCOPE)
endfunction()

# Names in the export table of a PE DLL ("[Ordinal/Name Pointer] Table").
function(read_pe_exports library outVar)
  execute_process(COMMAND "${TOOL}" -p "${library}"
    OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TOOL} failed on ${library}: ${errors}")
  endif()
  string(FIND "${output}" "[Ordinal/Name Pointer] Table" tableStart)
  if(tableStart EQUAL -1)
    message(FATAL_ERROR "${library} has no export name table")
  endif()
  string(SUBSTRING "${output}" ${tableStart} -1 table)
  string(REGEX MATCHALL "[^\n]+" lines "${table}")
  list(POP_FRONT lines)
  set(names "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*\\[ *[0-9]+\\] ([^ \t\r]+)")
      list(APPEND names "${CMAKE_MATCH_1}")
    elseif(NOT line MATCHES "^[ \t]*$")
      break()
    endif()
  endforeach()
  set(${outVar} "${names}" PARENT_SCOPE)
endfunction()

read_declared_functions("${HEADER}" declaredFunctions)
if(FORMAT STREQUAL "elf")
  read_elf_exports("${LIBRARY}" exports)
elseif(FORMAT STREQUAL "pe")
  read_pe_exports("${LIBRARY}" exports)
else()
  message(FATAL_ERROR "FORMAT must be elf or pe, not '${FORMAT}'")
endif()

# Members (also const ones and statics), vtables, typeinfo and thunks of the classes.
set(classNames "8VnLocMap" "12VnLocMapFile" "13VnEnvSnapshot")
set(problems "")
foreach(class IN LISTS classNames)
  set(classPattern "^_Z(NK?${class}|T[VIS]${class}$|T[hv][0-9n_]+N${class})")
  set(found FALSE)
  foreach(name IN LISTS exports)
    if(name MATCHES "${classPattern}")
      set(found TRUE)
      break()
    endif()
  endforeach()
  if(NOT found)
    string(REGEX REPLACE "^[0-9]+" "" readable "${class}")
    string(APPEND problems "  class ${readable} exports nothing\n")
  endif()
endforeach()

# The public rules (locmap50/rules.h, locmap50/entry_lines.h): free functions only.
set(rulesPattern "^_ZN8locmap505rules")
if(NOT exports MATCHES "(^|;)_ZN8locmap505rules")
  string(APPEND problems "  namespace locmap50::rules exports nothing\n")
endif()

list(JOIN classNames "|" classAlternatives)
set(allowedClassPattern "^_Z(NK?(${classAlternatives})|T[VIS](${classAlternatives})$|T[hv][0-9n_]+N(${classAlternatives}))")
foreach(name IN LISTS exports)
  if(name IN_LIST declaredFunctions OR name MATCHES "${allowedClassPattern}" OR name MATCHES "${rulesPattern}")
    continue()
  endif()
  string(APPEND problems "  unexpected export: ${name}\n")
endforeach()

foreach(function IN LISTS declaredFunctions)
  if(NOT function IN_LIST exports)
    string(APPEND problems "  missing export: ${function}\n")
  endif()
endforeach()

# The file call seam, through which tests make file calls fail, is in the
# library but never exported: its entry must stand in the full symbol table
# (where the library keeps one) and be absent from the export table, so that
# no caller can install a plan.
if(FORMAT STREQUAL "elf")
  set(symbolTableArguments "${LIBRARY}")
else()
  set(symbolTableArguments -t "${LIBRARY}")
endif()
execute_process(COMMAND "${TOOL}" ${symbolTableArguments}
  OUTPUT_VARIABLE allSymbols ERROR_QUIET RESULT_VARIABLE ignored)
set(seamEntry "installFileCallPlan")
if(exports MATCHES "[Ff]ileCallPlan")
  string(APPEND problems "  the file call seam is exported\n")
endif()
if(allSymbols MATCHES "_ZN8locmap508platform" AND NOT allSymbols MATCHES "${seamEntry}")
  string(APPEND problems "  the file call seam's entry ${seamEntry} is not in the library: this check would miss it\n")
endif()

# The export table as the committed list shows it: demangled, with the
# standard string and allocator arguments spelled short, one name a line, sorted.
function(readable_export_list names outVar)
  string(JOIN "\n" mangled ${names})
  set(mangledFile "${CMAKE_CURRENT_BINARY_DIR}/exports-mangled.txt")
  file(WRITE "${mangledFile}" "${mangled}\n")
  execute_process(COMMAND "${DEMANGLER}" INPUT_FILE "${mangledFile}"
    OUTPUT_VARIABLE demangled ERROR_VARIABLE errors RESULT_VARIABLE status)
  file(REMOVE "${mangledFile}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${DEMANGLER} failed: ${errors}")
  endif()
  string(REPLACE "std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >" "std::string"
    demangled "${demangled}")
  string(REPLACE "std::__cxx11::" "std::" demangled "${demangled}")
  string(REGEX REPLACE ", std::allocator<[^<>\n]*> ?>" ">" demangled "${demangled}")
  string(REGEX MATCHALL "[^\n]+" lines "${demangled}")
  list(SORT lines)
  set(${outVar} "${lines}" PARENT_SCOPE)
endfunction()

readable_export_list("${exports}" builtList)
list(LENGTH exports exportCount)
list(LENGTH declaredFunctions functionCount)

if(UPDATE)
  if(problems)
    message(FATAL_ERROR "${LIBRARY}: not writing ${EXPECTED}: the export table does not match the interface\n${problems}")
  endif()
  if(FORMAT STREQUAL "elf")
    set(source "the dynamic symbols of the shared object (nm -D --defined-only)")
  else()
    set(source "the export table of the DLL (objdump -p)")
  endif()
  string(JOIN "\n" body ${builtList})
  file(WRITE "${EXPECTED}" "# Exports of locmap50: ${source}, demangled and sorted.\n"
    "# The exported_symbols test fails while the built library differs. A change is\n"
    "# made on purpose: regenerate with the update_export_list target (README, Test)\n"
    "# and say why in the commit that changes the interface.\n${body}\n")
  message(STATUS "${EXPECTED}: ${exportCount} exports written")
  return()
endif()

# Every name added to or dropped from the committed list.
file(STRINGS "${EXPECTED}" expectedLines REGEX "^[^#]")
set(remaining "${expectedLines}")
foreach(name IN LISTS builtList)
  list(FIND remaining "${name}" at)
  if(at EQUAL -1)
    string(APPEND problems "  added: ${name}\n")
  else()
    list(REMOVE_AT remaining ${at})
  endif()
endforeach()
foreach(name IN LISTS remaining)
  string(APPEND problems "  dropped: ${name}\n")
endforeach()

if(problems)
  message(FATAL_ERROR "${LIBRARY}: export table does not match the interface and ${EXPECTED}\n${problems}"
    "A change made on purpose: build the update_export_list target, and commit the list with the reason.")
endif()
message(STATUS "${LIBRARY}: ${exportCount} exports as listed, all ${functionCount} C functions present, nothing else")

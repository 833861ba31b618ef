# SPDX-License-Identifier: Apache-2.0
# The MinGW C++ runtime as DLLs, shared by locmap50.dll and every program that uses it.
#
# One unwinder and one libstdc++ for the whole process is what lets an
# exception thrown inside locmap50.dll (std::bad_alloc, as VnLocMap.h
# promises) reach its caller: linked with -static, each module carries its own
# DWARF-2 unwinder, which cannot see the other's frames, and the process ends
# in std::terminate. So nothing here links -static; the DLLs are copied beside
# the programs built here and installed beside locmap50.dll.

set(LOCMAP50_MINGW_RUNTIME_DLLS "")
foreach(dll IN ITEMS libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
  # The compiler prints the bare name when it has no such file.
  if(NOT status EQUAL 0 OR NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${dll}: locmap50.dll needs the MinGW runtime DLLs")
  endif()
  get_filename_component(path "${path}" REALPATH)
  list(APPEND LOCMAP50_MINGW_RUNTIME_DLLS "${path}")
endforeach()

# Programs built here find the runtime where they find locmap50.dll.
file(COPY ${LOCMAP50_MINGW_RUNTIME_DLLS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})

/* SPDX-License-Identifier: Apache-2.0 */
/* Export macros for the locmap50 shared library; usable from C and C++. */
#ifndef LOCMAP50_EXPORT_H
#define LOCMAP50_EXPORT_H

/*
 * LOCMAP50_API marks what the library exports: the C functions, the class
 * VnEnvSnapshot as a whole (it has no private part, and a caller may derive
 * from it), and each public member of VnLocMap and VnLocMapFile, so that no
 * private member becomes a symbol a caller could link against. Everything
 * else stays hidden, so the export table is exactly the documented interface.
 * A public member added later is exported only when marked.
 *
 * LOCMAP50_BUILDING is set while the shared library itself is compiled;
 * LOCMAP50_STATIC is set for code that links the library's objects directly
 * (the unit tests), where no import or export decoration may appear.
 */
#if defined(LOCMAP50_STATIC)
#  define LOCMAP50_API
#elif defined(_WIN32)
#  if defined(LOCMAP50_BUILDING)
#    define LOCMAP50_API __declspec(dllexport)
#  else
#    define LOCMAP50_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__)
#  define LOCMAP50_API __attribute__((visibility("default")))
#else
#  define LOCMAP50_API
#endif

#endif /* LOCMAP50_EXPORT_H */

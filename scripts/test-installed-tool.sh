#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the library of a build into a scratch prefix, builds the locmap tool on its own against it, and runs the tool's tests.
#
# Usage: scripts/test-installed-tool.sh [BUILD_DIR]   (default: the Linux Debug build)
# The tool's build finds the library only through find_package(locmap50) in
# that prefix, so it compiles against the installed headers alone and its
# tests run the tool on the installed shared library.
set -uo pipefail
source "$(dirname "$0")/common.sh"

build=${1:-$LOCMAP50_BUILD_DIR}
work=$(realpath -m "$build-installed-tool")
prefix=$work/prefix
tool_build=$work/tool

# The tool must load the library from the prefix, not from the build.
runs_on_installed_library() {
    ldd "$tool_build/locmap" | grep -q "=> $prefix/lib/liblocmap50\.so" && return 0
    echo "locmap does not load the installed library:"
    ldd "$tool_build/locmap"
    return 1
}

rm -rf "$work"
cmake --install "$build" --prefix "$prefix" >/dev/null &&
    cmake -S tools --preset installed -B "$tool_build" -G "$LOCMAP50_GENERATOR" \
        "-DCMAKE_PREFIX_PATH=$prefix" >/dev/null &&
    cmake --build "$tool_build" --parallel "$LOCMAP50_JOBS" &&
    runs_on_installed_library &&
    run_ctest "$tool_build"

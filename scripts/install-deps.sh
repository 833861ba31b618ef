#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs the Debian 12 packages the project needs: "build" for the library, tool and demo; "all" (the default) adds the test, install-test, valgrind, benchmark, fuzz and 32-bit Windows tool chains.
#
# Installs only what is missing; uses sudo when not run as root.
set -euo pipefail

build_packages=(cmake ninja-build g++ make libcli11-dev nlohmann-json3-dev)
test_packages=(googletest libgtest-dev pkg-config libbenchmark-dev clang libclang-rt-dev valgrind groff-base
               g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 acl diffutils patch)

case "${1:-all}" in
    build) packages=("${build_packages[@]}") ;;
    all) packages=("${build_packages[@]}" "${test_packages[@]}") ;;
    *) echo "usage: install-deps.sh [build|all]" >&2; exit 2 ;;
esac

export DEBIAN_FRONTEND=noninteractive
as_root=()
[ "$(id -u)" = 0 ] || as_root=(sudo -E)

installed() {
    [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

missing=()
for package in "${packages[@]}"; do
    installed "$package" || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "=== all packages present"
    exit 0
fi

echo "=== installing: ${missing[*]}"
# wine32 is an i386 package; the architecture must be known before the update.
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
fi
# A source that cannot be reached should not stop the install: the install
# itself fails if a package we need is really not to be had.
"${as_root[@]}" apt-get update -q || echo "=== apt-get update reported errors; installing anyway"
# With recommends: that is the set-up the Wine leg is known to work with.
"${as_root[@]}" apt-get install -y -q "${missing[@]}" </dev/null

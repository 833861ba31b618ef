#!/usr/bin/env bash
# Builds and runs every test: the Linux leg, then the 32-bit Windows leg under Wine; fails if either fails.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

status=0
started=$SECONDS
bash "$here/test-linux.sh" || status=1
linux_seconds=$((SECONDS - started))
bash "$here/test-windows.sh" || status=1
windows_seconds=$((SECONDS - started - linux_seconds))

printf '\n=== Linux leg %d s, Windows leg %d s: %s\n' "$linux_seconds" "$windows_seconds" \
    "$([ "$status" = 0 ] && echo "all passed" || echo "FAILED")"
exit "$status"

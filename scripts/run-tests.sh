#!/usr/bin/env bash
# Runs every test of a build folder through ctest (unit tests offscreen, end-to-end tests
# on their own Xvfb desktops). ctest prints lists of failed or skipped tests after its
# summary; the summary line is repeated at the very end so it always closes the output.
# The exit status is ctest's.
set -uo pipefail
build=${1:-build}
jobs=${2:-$(nproc)}
cd "$build" || exit 1
ctest --output-on-failure --no-tests=error --no-label-summary -j "$jobs" --timeout 300 2>&1 | tee ctest-output.log
status=${PIPESTATUS[0]}
summary=$(grep -E '^[0-9]+% tests passed' ctest-output.log | tail -n 1)
if [ -n "$summary" ] && [ "$(grep -v '^[[:space:]]*$' ctest-output.log | tail -n 1)" != "$summary" ]; then
  echo
  echo "$summary"
fi
exit "$status"

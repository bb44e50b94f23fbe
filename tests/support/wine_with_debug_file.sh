#!/bin/sh
# Runs a test program under Wine (the command and its arguments) with the
# standard error of its Unix process, which the programs it starts inherit,
# appended to a file of its own: Wine prints its debug channels there, out of
# reach of the standard handles of STARTUPINFO. The test finds the file
# through VELTRANO_DEBUG_OUTPUT (a Windows path); at the end the file's text
# goes on to this standard error, for CTest's report.
set -u
output=$(mktemp /tmp/veltrano-debug.XXXXXX)
VELTRANO_DEBUG_OUTPUT="Z:$(printf '%s' "$output" | tr / '\\')" "$@" 2>>"$output"
status=$?
cat "$output" >&2
rm -f "$output"
exit $status

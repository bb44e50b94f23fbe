#!/bin/sh
# The deliverables link against the platform alone: Stub imports KERNEL32
# only; Setup only KERNEL32, USER32, GDI32 and ADVAPI32 (VERSION.dll is loaded
# at run time from the system folder, never from beside the program).
set -eu
setup=$1 stub=$2

imports() { i686-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p' | tr a-z A-Z | sort | tr '\n' ' '; }

fail=0
check() {
  got=$(imports "$1")
  if [ "$got" = "$2" ]; then echo "ok: $1 imports $got"; else echo "FAIL: $1 imports '$got', expected '$2'"; fail=1; fi
}
for program in "$setup" "$stub"; do
  if LC_ALL=C i686-w64-mingw32-objdump -f "$program" | grep -q 'file format pei-i386$'; then
    echo "ok: $program is a 32-bit program"
  else
    echo "FAIL: $program is not a 32-bit program"; fail=1
  fi
done
check "$stub" "KERNEL32.DLL "
check "$setup" "ADVAPI32.DLL GDI32.DLL KERNEL32.DLL USER32.DLL "
exit $fail

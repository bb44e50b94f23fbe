#!/bin/sh
# Two builds from different folders give byte-identical deliverables: the
# programs carry no time stamp and no path of the machine that built them.
set -eu
source_dir=$1 first_bin=$2
second=$(mktemp -d /tmp/veltrano-second-build.XXXXXX)
trap 'rm -rf "$second"' EXIT
cmake -S "$source_dir" -B "$second" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$second" --target Setup Stub -j2 >/dev/null
fail=0
for program in Setup.exe Stub.exe; do
  if cmp -s "$first_bin/$program" "$second/bin/$program"; then
    echo "ok: $program is byte-identical ($(wc -c <"$second/bin/$program") bytes)"
  else
    echo "FAIL: $program differs between two builds"; fail=1
  fi
done
exit $fail

#!/bin/sh
# A maintainer's release build: another release description (2.4.0.0, in
# release-2.4.0.0/) and a code-signing key from a throwaway CA made here, built
# in a folder of its own. Both programs verify against that CA, Setup.exe
# carries the signed Stub.exe as resource 108 byte for byte, and the version
# block and caption read back as the description gives them. Then a
# maintainer's mistakes: a payload or a description the configure step must
# refuse, with a message saying what is wrong, a description with characters
# the old reader mangled, a certificate not meant for code signing (the build
# fails with osslsigncode's reason) and a wrong password (the build fails and
# leaves no program where the signed ones were).
set -eu
source_dir=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/veltrano-signed-build.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail=0
# expect "what" command...: runs the command, reports "what" as ok or FAIL.
expect() {
  what=$1; shift
  if "$@" >>"$work/checks.log" 2>&1; then echo "ok: $what"; else echo "FAIL: $what"; fail=1; fi
}

# The throwaway CA and a code-signing certificate it issues, as a PKCS#12 file.
keys=$work/keys
mkdir "$keys"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Veltrano Test CA" -keyout "$keys/ca.key" \
  -out "$keys/ca.pem" -addext basicConstraints=critical,CA:TRUE \
  -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=Veltrano Test Signer" -keyout "$keys/signer.key" \
  -out "$keys/signer.csr" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
  >"$keys/signer.ext"
openssl x509 -req -in "$keys/signer.csr" -CA "$keys/ca.pem" -CAkey "$keys/ca.key" -CAcreateserial -days 1 \
  -extfile "$keys/signer.ext" -out "$keys/signer.pem" 2>/dev/null
printf 'throwaway password\n' >"$keys/password"
openssl pkcs12 -export -inkey "$keys/signer.key" -in "$keys/signer.pem" -passout "file:$keys/password" \
  -out "$keys/signer.pfx"

build=$work/build bin=$work/build/bin
# configure <password file> [option...]: later options override earlier ones.
configure() {
  password=$1; shift
  cmake -S "$source_dir" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
    -DBUILD_TESTING=OFF -DSETUP_RELEASE="$here/release-2.4.0.0/release.txt" -DSETUP_PAYLOAD= \
    -DSETUP_SIGNING_PFX="$keys/signer.pfx" -DSETUP_SIGNING_PASSWORD_FILE="$password" \
    -DSETUP_SIGNING_CA_FILE="$keys/ca.pem" "$@" >/dev/null
}
# has_message "text" log: whether the log holds the text; CMake wraps its
# messages, so white space is run together on both sides first.
has_message() { tr -s '[:space:]' ' ' <"$2" | grep -qF "$(printf '%s' "$1" | tr -s '[:space:]' ' ')"; }
configure "$keys/password"
cmake --build "$build" --target Setup -j2 --verbose >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
expect "signed programs are executable, as unsigned ones are" test -x "$bin/Setup.exe" -a -x "$bin/Stub.exe"
# Only osslsigncode reads the password file: the password is in no command
# line the build runs, no build file and no cache entry.
expect "the password is nowhere in the build folder or its log" \
  sh -c '! grep -rqF "throwaway password" "$1" "$2"' - "$build" "$work/build.log"
for program in Stub.exe Setup.exe; do
  expect "$program verifies against the throwaway CA" osslsigncode verify -CAfile "$keys/ca.pem" -in "$bin/$program"
done

# Resource 108, the payload's checksum and the caption, from the resources and
# the bytes of Setup.exe.
python3 - "$here" "$bin/Stub.exe" "$bin/Setup.exe" <<'EOF' || fail=1
import sys
sys.path.insert(0, sys.argv[1])
from resources import checksum_problems, resources
stub, setup = (open(name, 'rb').read() for name in sys.argv[2:])
carried = resources(sys.argv[3])
fail = 0
if carried.get(('BINARY', 108)) == stub:
    print('ok: resource 108 of Setup.exe is the signed Stub.exe (%d bytes)' % len(stub))
else:
    print('FAIL: resource 108 of Setup.exe is not the signed Stub.exe'); fail = 1
if not checksum_problems(carried):
    print("ok: the payload's checksum is recorded beside it")
else:
    print('FAIL: %s' % checksum_problems(carried)[0]); fail = 1
caption = 'Veltrano Version 2.40 アップデート・プログラム'.encode('cp932')
if caption in setup and 'Version 2.30'.encode('cp932') not in setup:
    print('ok: the caption is the 2.40 one')
else:
    print('FAIL: Setup.exe does not carry the 2.40 caption alone'); fail = 1
sys.exit(fail)
EOF

# The version block, read back as resource script text (non-ASCII as \xNNNN).
i686-w64-mingw32-windres -J coff -O rc -i "$bin/Setup.exe" | sed -n '/VERSIONINFO/,$p' >"$work/version.rc"
while IFS='|' read -r line; do
  expect "version block has: $line" grep -qF "$line" "$work/version.rc"
done <<'EOF'
 FILEVERSION 2, 4, 0, 0
 PRODUCTVERSION 2, 4, 0, 0
VALUE "FileVersion", "2, 4, 0, 0"
VALUE "ProductVersion", "2, 4, 0, 0"
VALUE "LegalCopyright", "Copyright (C) 2027 Pellix Corporation"
VALUE "FileDescription", L"Veltrano 2.40 \x30a2\x30c3\x30d7\x30c7\x30fc\x30c8\x30fb\x30d7\x30ed\x30b0\x30e9\x30e0"
VALUE "Comments", L"Veltrano 2.0 - 2.3 \x3092 2.4.0.0 \x306b\x66f4\x65b0\x3057\x307e\x3059\x3002"
EOF

# refused "what" "message" option...: a configure step that must stop with
# the message.
refused() {
  what=$1 message=$2; shift 2
  if configure "$keys/password" "$@" >"$work/refused.log" 2>&1; then
    echo "FAIL: $what is accepted"; fail=1
  elif has_message "$message" "$work/refused.log"; then
    echo "ok: $what is refused: $message"
  else
    echo "FAIL: $what is refused without saying \"$message\":"; cat "$work/refused.log"; fail=1
  fi
}
: >"$work/empty.exe"
refused "an empty payload" "SETUP_PAYLOAD: $work/empty.exe is empty" -DSETUP_PAYLOAD="$work/empty.exe"
text=$source_dir/tests/host/not_a_program.txt
refused "a payload that is no program" "SETUP_PAYLOAD: $text is not a Windows program" -DSETUP_PAYLOAD="$text"
# Descriptions beside a copy of the guide they name.
mkdir "$work/releases"
cp "$here/release-2.4.0.0/guide.txt" "$work/releases/"
iconv -f UTF-8 -t CP932 "$here/release-2.4.0.0/release.txt" >"$work/releases/shift-jis.txt"
refused "a description saved in Shift-JIS" "must be saved as UTF-8" -DSETUP_RELEASE="$work/releases/shift-jis.txt"
sed 's/^comments = .*/comments = Veltrano 한국어판/' "$here/release-2.4.0.0/release.txt" >"$work/releases/hangul.txt"
refused "a version-block text without a Shift-JIS form" "hangul.txt:11: comments: U+D55C" \
  -DSETUP_RELEASE="$work/releases/hangul.txt"
# Brackets and a semicolon are plain characters, and a major version with a
# leading zero is no octal number.
sed -e 's/^version = .*/version = 10.0.0.0/' -e 's/^replaces_up_to = .*/replaces_up_to = 9.0.0.0/' \
  -e 's/^lowest_major = .*/lowest_major = 08/' -e 's/^# A later/# A [later/' \
  -e 's/^caption = .*/caption = Veltrano [10.0 アップデート・プログラム/' \
  -e 's/^company = .*/company = Pellix] Corporation; Japan/' \
  "$here/release-2.4.0.0/release.txt" >"$work/releases/odd.txt"
expect "a description with brackets, a semicolon and lowest_major 08 is read" \
  configure "$keys/password" -DSETUP_RELEASE="$work/releases/odd.txt"
while IFS='|' read -r line; do
  expect "generated release.h has: $line" grep -qxF "$line" "$build/generated/release.h"
done <<'EOF'
#define RELEASE_LOWEST_MAJOR 8
#define RELEASE_CAPTION "Veltrano [10.0 アップデート・プログラム"
#define RELEASE_COMPANY "Pellix] Corporation; Japan"
#define RELEASE_COMMENTS "Veltrano 2.0 - 2.3 を 2.4.0.0 に更新します。"
EOF

# A certificate for servers, not for code: the build stops with the reason
# osslsigncode gives.
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=serverAuth\n' \
  >"$keys/server.ext"
openssl x509 -req -in "$keys/signer.csr" -CA "$keys/ca.pem" -CAkey "$keys/ca.key" -CAcreateserial -days 1 \
  -extfile "$keys/server.ext" -out "$keys/server.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$keys/signer.key" -in "$keys/server.pem" -passout "file:$keys/password" \
  -out "$keys/server.pfx"
configure "$keys/password" -DSETUP_SIGNING_PFX="$keys/server.pfx"
expect "a certificate not meant for code signing stops the build" \
  sh -c '! cmake --build "$1" --target Setup -j2 >"$2" 2>&1' - "$build" "$work/server.log"
expect "with osslsigncode's own reason" has_message "Unsupported Signer's certificate purpose" "$work/server.log"

# A wrong password: the build stops with a message, and neither program is
# left in bin/, unsigned or from the build before. The failed build above
# left bin/ empty, so the signed programs are built there again first.
configure "$keys/password"
expect "the right password signs both programs into bin/ again" sh -c \
  'cmake --build "$1" --target Setup -j2 >"$2" 2>&1 && [ -e "$3/Stub.exe" ] && [ -e "$3/Setup.exe" ]' - \
  "$build" "$work/rebuilt.log" "$bin"
printf 'not the password\n' >"$keys/wrong"
configure "$keys/wrong"
expect "a wrong password stops the build" sh -c '! cmake --build "$1" --target Setup -j2 >"$2" 2>&1' - \
  "$build" "$work/failed.log"
expect "with a message that says which program" grep -q 'Signing Stub.exe failed' "$work/failed.log"
expect "and leaves no Stub.exe and no Setup.exe in bin/" sh -c '[ ! -e "$1/Stub.exe" ] && [ ! -e "$1/Setup.exe" ]' - \
  "$bin"
exit $fail

#!/usr/bin/env bash
# The release archive checked as its users check it, after the test command built build/:
#  - reproducible: a second clone of the same commit, in another folder, with another umask and
#    time zone, builds what the release needs (not the tests) and must make the same ZIP, byte
#    for byte; each file that differs is named;
#  - signed: with a throwaway self-signed code-signing certificate, both folders make the same
#    signed ZIP; every EXE and DLL in it passes `osslsigncode verify`, gives back the unsigned
#    file once its signature is removed, and fails the check with one byte changed; SHA256SUMS
#    is true of the signed archive.
# The key lives in a temporary folder and is removed at the end.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

say() { echo "check-release: $*"; }
fail() { echo "check-release: $*" >&2; exit 1; }

commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  fail "the working tree differs from commit $commit, which the second clone builds: commit first"
fi
for tool in osslsigncode openssl zipinfo unzip sha256sum; do
  command -v "$tool" >/dev/null || fail "$tool is missing (tools/setup.sh installs it)"
done

work=$(mktemp -d /tmp/tavik-release-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
first="$root"
second="$work/elsewhere/TAVIK clone"
name=$(sed -n 's/^project(TAVIK VERSION \([0-9.]*\).*/TAVIKUpdate-\1-win32/p' CMakeLists.txt)
[ -n "$name" ] || fail "no version in CMakeLists.txt"

# make_package FOLDER OUT: the README's release command in FOLDER, its archive, SHA256SUMS and
# debug files kept in OUT.
make_package() {
  local folder="$1" out="$2"
  (cd "$folder" && cmake --preset mingw >/dev/null && cmake --build --preset mingw --target package) \
    >"$out.log" 2>&1 || { cat "$out.log" >&2; fail "making the release in $folder failed"; }
  grep '^package: ' "$out.log" | sed "s|^|  $(basename "$out"): |"
  mkdir -p "$out"
  cp -r "$folder/build/package/$name.zip" "$folder/build/package/SHA256SUMS" \
        "$folder/build/package/$name-debug" "$out/"
}

# same ARCHIVE_A ARCHIVE_B: whether both are one file; if not, names each file that differs in
# content, in its entry's attributes, or among the debug files the binaries name by checksum.
same() {
  local a="$1" b="$2"
  if cmp -s "$a/$name.zip" "$b/$name.zip"; then
    return 0
  fi
  echo "check-release: $(basename "$a") and $(basename "$b") differ:" >&2
  # SHA256SUMS lists each file's digest; a line in one list and not the other names the file.
  diff <(sed 1d "$a/SHA256SUMS") <(sed 1d "$b/SHA256SUMS") | sed -n 's/^[<>] [0-9a-f]* \*/  content: /p' |
    sort -u >&2 || true
  diff <(zipinfo -T -l "$a/$name.zip" | sed '1,2d;$d') <(zipinfo -T -l "$b/$name.zip" | sed '1,2d;$d') |
    sed -n 's/^[<>] /  entry: /p' >&2 || true
  (cd "$a/$name-debug" && sha256sum -- *) >"$work/debug-a"
  (cd "$b/$name-debug" && sha256sum -- *) >"$work/debug-b"
  diff "$work/debug-a" "$work/debug-b" | sed -n 's/^[<>] [0-9a-f]*  /  debug file: /p' | sort -u >&2 || true
  return 1
}

say "commit $commit; the second clone in $second"
git clone --quiet --no-hardlinks "$root" "$second"
git -C "$second" checkout --quiet --detach "$commit"

make_package "$first" "$work/first"
(umask 077 && export TZ=Pacific/Kiritimati && make_package "$second" "$work/second")
same "$work/first" "$work/second" || fail "the two builds of commit $commit are not the same"
say "the same $name.zip from both folders, SHA-256 $(sha256sum <"$work/first/$name.zip" | cut -d' ' -f1)"

# A throwaway code-signing certificate, valid for a day.
keys="$work/keys"
mkdir -m 700 "$keys"
openssl req -x509 -newkey rsa:3072 -nodes -days 1 -subj "/CN=TAVIK release check (throwaway)" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=critical,codeSigning" \
  -addext "basicConstraints=critical,CA:FALSE" -keyout "$keys/key.pem" -out "$keys/cert.pem" \
  2>"$keys/openssl.log" || { cat "$keys/openssl.log" >&2; fail "openssl made no certificate"; }
export TAVIK_SIGN_CERT="$keys/cert.pem" TAVIK_SIGN_KEY="$keys/key.pem"
make_package "$second" "$work/second-signed"
make_package "$first" "$work/first-signed"
unset TAVIK_SIGN_CERT TAVIK_SIGN_KEY
same "$work/first-signed" "$work/second-signed" || fail "the two signed builds of commit $commit are not the same"
say "the same signed $name.zip from both folders, SHA-256 $(sha256sum <"$work/first-signed/$name.zip" | cut -d' ' -f1)"

signed="$work/second-signed"
unsigned="$work/second"
(cd "$signed" && unzip -q "$name.zip" && sha256sum --quiet -c SHA256SUMS) ||
  fail "SHA256SUMS is not true of the signed archive"
(cd "$unsigned" && unzip -q "$name.zip")
grep -q 'signed by "TAVIK release check (throwaway)"' "$signed/$name/README.txt" ||
  fail "the signed archive's README does not name its signer"
count=0
while IFS= read -r -d '' file; do
  base="${file#"$signed/$name/"}"
  osslsigncode verify -CAfile "$keys/cert.pem" -in "$file" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; fail "$base does not verify"; }
  [ "$base" != TAVIKUtilDll.dll ] || { say "osslsigncode verify of $base:"; sed 's/^/    /' "$work/verify.log"; }
  osslsigncode remove-signature -in "$file" -out "$work/removed" >/dev/null ||
    fail "osslsigncode cannot remove the signature of $base"
  cmp -s "$work/removed" "$unsigned/$name/$base" ||
    fail "$base with its signature removed is not the unsigned $base"
  # One byte of the program itself, not of its signature, changed: the check must fail on the
  # digest, not on anything else that a change might happen to break.
  cp "$file" "$work/changed"
  middle=$(($(stat -c %s "$unsigned/$name/$base") / 2))
  python3 -c 'import sys; path, at = sys.argv[1], int(sys.argv[2]); b = bytearray(open(path, "rb").read()); b[at] ^= 0xFF; open(path, "wb").write(b)' \
    "$work/changed" "$middle"
  if osslsigncode verify -CAfile "$keys/cert.pem" -in "$work/changed" >"$work/verify.log" 2>&1; then
    fail "$base with one byte changed after signing still verifies"
  fi
  grep -Eq '^Calculated message digest *: *[0-9A-F]+ +MISMATCH' "$work/verify.log" ||
    { cat "$work/verify.log" >&2; fail "$base with one byte changed fails for another reason than its digest"; }
  rm -f "$work/removed" "$work/changed"
  count=$((count + 1))
done < <(find "$signed/$name" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0 | sort -z)
[ "$count" = 4 ] || fail "the signed archive holds $count EXE and DLL files, not 4"
say "$count signed files verified, unsigned once their signatures are removed, refused once changed"

# build/ as the test command left it: the unsigned release.
make_package "$first" "$work/first-again" >/dev/null

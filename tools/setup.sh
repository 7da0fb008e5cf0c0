#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test and demonstrate the project.
# Quiet and quick when everything is already there. On a host whose kernel runs no i386 code
# (or with TAVIK_EMULATE=1) it also installs what the emulated VM of tools/in-vm.sh needs.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/tools/host.sh"

packages=(cmake ninja-build g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
          binutils-mingw-w64-i686 mingw-w64-i686-dev wine wine32:i386 googletest
          xvfb x11-apps x11-utils imagemagick fonts-wine nlohmann-json3-dev python3
          clang lld clang-tidy osslsigncode openssl unzip)
vm_packages=(qemu-system-x86 linux-image-amd64 busybox-static cpio)

missing_of() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
      printf '%s\n' "$p"
    fi
  done
}

# Root, or sudo, only once something is missing.
sudo=""
need_root() {
  if [ "$(id -u)" -ne 0 ] && [ -z "$sudo" ]; then
    if ! command -v sudo >/dev/null; then
      echo "setup: $1 needs root, and this user is not root and has no sudo: run tools/setup.sh as root once" >&2
      exit 1
    fi
    sudo=sudo
  fi
}
updated=""
# Suites whose index could not be read. Packages of two architectures must come in the same
# version: with one architecture's index of a suite missing, that suite's newer versions of the
# other make the install impossible, so such a suite is set aside for the install.
failed_suites=()
update_sources() {
  local try log
  log=$(mktemp)
  # A mirror caught mid-sync serves index files of the wrong size for a while: try again a few
  # times, then go on with the indexes that did arrive.
  for try in 1 2 3; do
    if $sudo apt-get update -qq --error-on=any 2>"$log"; then
      rm -f "$log"
      return 0
    fi
    cat "$log" >&2
    [ "$try" = 3 ] || { echo "setup: apt-get update failed (try $try of 3); again in $((try * 15)) s" >&2; sleep $((try * 15)); }
  done
  mapfile -t failed_suites < <(sed -n 's|.*Failed to fetch .*/dists/\([^/]*\)/.*|\1|p' "$log" | sort -u)
  rm -f "$log"
  echo "setup: some package sources could not be read (above); going on with the others" >&2
}
install() {
  [ $# -gt 0 ] || return 0
  need_root "installing $*"
  echo "setup: installing $*"
  if [ -z "$updated" ]; then
    update_sources
    updated=1
  fi
  local options=() preferences="" suite
  if [ ${#failed_suites[@]} -gt 0 ]; then
    preferences=$(mktemp)
    for suite in "${failed_suites[@]}"; do
      printf 'Package: *\nPin: release n=%s\nPin-Priority: -1\n\n' "$suite" >>"$preferences"
    done
    echo "setup: leaving out ${failed_suites[*]}, whose indexes are incomplete" >&2
    options=(-o "Dir::Etc::Preferences=$preferences")
  fi
  local status=0
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${options[@]}" "$@" >/dev/null || status=$?
  [ -z "$preferences" ] || rm -f "$preferences"
  if [ "$status" != 0 ]; then
    echo "setup: apt-get could not install $* (its message is above): check the network and /etc/apt/sources.list" >&2
    return 1
  fi
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  need_root "adding the i386 architecture"
  $sudo dpkg --add-architecture i386
fi
mapfile -t missing < <(missing_of "${packages[@]}")
install "${missing[@]}"

# The i386 loader comes with wine32's libc6:i386, so the probe can run now.
if tavik_emulated; then
  mapfile -t missing < <(missing_of "${vm_packages[@]}")
  install "${missing[@]}" || true
  if ! ls /boot/vmlinuz-* >/dev/null 2>&1 || ! command -v qemu-system-x86_64 >/dev/null; then
    echo "setup: this host runs no 32-bit programs, and no kernel or QEMU could be installed to run them in an emulated VM" >&2
    exit 1
  fi
fi

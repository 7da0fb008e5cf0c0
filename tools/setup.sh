#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test and demonstrate the project.
# Quiet and quick when everything is already there. On a host whose kernel runs no i386 code
# (or with TAVIK_EMULATE=1) it also installs what the emulated VM of tools/in-vm.sh needs.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/tools/host.sh"

packages=(cmake ninja-build g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
          binutils-mingw-w64-i686 mingw-w64-i686-dev wine wine32:i386 googletest
          xvfb x11-apps imagemagick fonts-wine nlohmann-json3-dev python3)
vm_packages=(qemu-system-x86 linux-image-amd64 busybox-static cpio)

missing_of() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
      printf '%s\n' "$p"
    fi
  done
}

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
updated=""
install() {
  [ $# -gt 0 ] || return 0
  echo "setup: installing $*"
  if [ -z "$updated" ]; then
    $sudo apt-get update -qq || return
    updated=1
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" \
    >/dev/null
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
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

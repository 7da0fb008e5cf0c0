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
          clang lld clang-tidy)
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
install() {
  [ $# -gt 0 ] || return 0
  need_root "installing $*"
  echo "setup: installing $*"
  if [ -z "$updated" ]; then
    if ! $sudo apt-get update -qq --error-on=any; then
      echo "setup: apt-get could not read its package sources (above), so $* cannot be installed: check the network and /etc/apt/sources.list" >&2
      return 1
    fi
    updated=1
  fi
  if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" \
    >/dev/null; then
    echo "setup: apt-get could not install $* (its message is above)" >&2
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

#!/usr/bin/env bash
# Runs a command inside a software-emulated x86-64 VM whose root is this host's own file system,
# in the current folder, and passes back its output as it goes and its exit status:
#
#   tools/in-vm.sh COMMAND [ARGS...]
#
# For hosts whose kernel runs no i386 code: the VM's kernel does, so the host's own wine32 runs
# there unchanged, on the very files the host built. It boots Debian's kernel from /boot with a
# small initramfs made here from that kernel's modules, and mounts the host's / over virtio-9p.
# The command gets the caller's environment (less what belongs to this host's session), no
# standard input, and TAVIK_TIME_SCALE (by default 12), by which tests widen their time bounds.
#
# TAVIK_VM_MEMORY (MiB, default 6144) and TAVIK_VM_CPUS (default: this host's count) size it.
# TAVIK_VM_PS=SECONDS writes the VM's process list to its console log that often, for finding
# what hangs in there; the log's path is printed at the start.
#
# TAVIK_VM_TIMEOUT=SECONDS (default 2700) bounds the whole run, boot included: CI has 90 minutes,
# and the emulated test command's ctest takes about 12 of them on 2 cores. When it runs out, the
# guest prints its process list and powers itself off, the command's last lines are printed
# again, and the status is 124 (as timeout(1) gives). Should the guest not manage that, QEMU is
# ended a minute later with the same status.
#
# Software emulation (TCG) on purpose, even where /dev/kvm exists: on the hosts this is for, that
# device belongs to a paravirtual nested set-up (no vmx/svm flag), and there QEMU with -accel kvm
# stops while Debian's kernel boots.
set -eu

if [ "${1:-}" = --guest ]; then
  # Second stage, inside the VM as its init (PID 1), on the host's root: never return.
  job="$2"
  mount -t proc proc /proc
  mount -t sysfs sysfs /sys
  mountpoint -q /dev || mount -t devtmpfs devtmpfs /dev
  mkdir -p /dev/pts /dev/shm
  mount -t devpts devpts /dev/pts
  mount -t tmpfs tmpfs /dev/shm
  # Sockets cannot be bound on 9p: Wine's server and X11 sockets live on tmpfs.
  mount -t tmpfs tmpfs /run
  mkdir -p /tmp/.X11-unix
  mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix
  export HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
  export LANG=C.UTF-8
  # shellcheck disable=SC1091
  . "$job/environment"
  export XDG_RUNTIME_DIR=/run/user/$(id -u)
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
  out=/dev/ttyS1
  if [ -n "${TAVIK_VM_PS:-}" ]; then
    (while sleep "$TAVIK_VM_PS"; do date; ps -eo pid,ppid,etime,time,args; done >/dev/ttyS0 2>&1) &
  fi
  stty -F "$out" raw -echo 2>/dev/null || true
  # The run's bound, counted from the VM's start: a few seconds are kept for the process list,
  # the sync and the power-off.
  read -r uptime _ </proc/uptime
  left=$((TAVIK_VM_TIMEOUT - ${uptime%.*} - 5))
  (
    sleep "$((left > 1 ? left : 1))"
    [ -e "$job/status" ] && exit 0
    {
      echo "in-vm: the command did not end within $TAVIK_VM_TIMEOUT s; the VM's processes:"
      # Without the kernel's own threads.
      ps --ppid 2 -p 2 --deselect -o pid,ppid,etime,time,args 2>/dev/null || busybox ps
    } >"$job/processes" 2>&1
    echo 124 >"$job/status.tmp"
    mv "$job/status.tmp" "$job/status"
    sync
    busybox poweroff -f
  ) &
  status=125
  if cd "$(cat "$job/folder")"; then
    mapfile -d '' -t command <"$job/command"
    # Through a pipe, as on a host whose output is captured: on the serial port itself the
    # programs would take it for a terminal and send it cursor controls. A process the command
    # left behind may still hold the pipe, so the reader gets a few seconds after the command's
    # end to pass on what is left, not until every holder is gone.
    mkfifo /run/tavik-output
    cat /run/tavik-output >"$out" &
    reader=$!
    set +e
    "${command[@]}" </dev/null >/run/tavik-output 2>&1
    status=$?
    set -e
    for _ in $(seq 50); do
      kill -0 "$reader" 2>/dev/null || break
      sleep 0.1
    done
    kill "$reader" 2>/dev/null || true
  else
    echo "in-vm: the folder $(cat "$job/folder") is not there inside the VM" >"$out"
  fi
  echo "$status" >"$job/status.tmp"
  mv "$job/status.tmp" "$job/status"
  sync
  busybox poweroff -f
  sleep 60
fi

if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "in-vm: run this as root: the command runs as root inside the VM, and Wine there refuses a prefix that another user owns" >&2
  exit 125
fi
timeout_s="${TAVIK_VM_TIMEOUT:-2700}"
case "$timeout_s" in
  "" | *[!0-9]* | 0 | ?)
    echo "in-vm: TAVIK_VM_TIMEOUT must be a number of seconds from 10 up, not \"$timeout_s\"" >&2
    exit 2
    ;;
esac

kernel=$(ls -1 /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)
if [ -z "$kernel" ] || ! command -v qemu-system-x86_64 >/dev/null || ! command -v busybox >/dev/null; then
  echo "in-vm: needs a kernel in /boot, qemu-system-x86_64 and busybox (run tools/setup.sh)" >&2
  exit 125
fi
version=${kernel#/boot/vmlinuz-}

job=$(mktemp -d "${TMPDIR:-/tmp}/tavik-vm.XXXXXX")
# The second stage runs from a copy in the job's folder: the kernel's command line that names it
# cannot hold a path with spaces, as the project's own may be.
self="$job/in-vm.sh"
qemu_pid=""
tail_pid=""
cleanup() {
  if [ -n "$qemu_pid" ]; then kill "$qemu_pid" 2>/dev/null && wait "$qemu_pid" 2>/dev/null || true; fi
  if [ -n "$tail_pid" ]; then kill "$tail_pid" 2>/dev/null || true; fi
  rm -rf "$job"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
cp "$0" "$self"

# The initramfs: busybox, the modules that mount a 9p root (with what they depend on, in order),
# and a first-stage init that mounts the host's root and hands over to this script's second stage.
initrd="$job/initrd"
mkdir -p "$initrd/bin" "$initrd/modules" "$initrd/proc" "$initrd/sys" "$initrd/dev" \
  "$initrd/newroot"
cp "$(command -v busybox)" "$initrd/bin/busybox"
order=()
add_module() {
  local m="$1" dep seen
  for seen in "${order[@]}"; do [ "$seen" = "$m" ] && return 0; done
  for dep in $(modinfo -k "$version" -F depends "$m" | tr ',' ' '); do add_module "$dep"; done
  local file
  file=$(modinfo -k "$version" -F filename "$m")
  case "$file" in
    *.ko) cp "$file" "$initrd/modules/$m.ko" ;;
    *.ko.xz) xz -dc "$file" >"$initrd/modules/$m.ko" ;;
    *.ko.zst) zstd -qdc "$file" >"$initrd/modules/$m.ko" ;;
    *.ko.gz) gzip -dc "$file" >"$initrd/modules/$m.ko" ;;
    "(builtin)" | "") return 0 ;;
    *) echo "in-vm: cannot load module file $file" >&2; exit 125 ;;
  esac
  order+=("$m")
}
for m in virtio_pci 9pnet_virtio 9p; do add_module "$m"; done
printf '%s\n' "${order[@]}" >"$initrd/modules/order"
cat >"$initrd/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for m in $(cat /modules/order); do insmod "/modules/$m.ko" || echo "init: insmod $m failed"; done
for arg in $(cat /proc/cmdline); do
  case "$arg" in
    tavik.job=*) job="${arg#tavik.job=}" ;;
    tavik.self=*) self="${arg#tavik.self=}" ;;
  esac
done
if ! mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose hostroot /newroot; then
  echo "init: the host's root could not be mounted"
  poweroff -f
fi
mount --move /dev /newroot/dev
umount /proc /sys
exec switch_root /newroot /bin/bash "$self" --guest "$job"
INIT
chmod +x "$initrd/init"
(cd "$initrd" && find . | cpio -o -H newc --quiet | gzip -1) >"$job/initrd.img"

# What the command gets: the caller's folder, its arguments, its environment.
pwd >"$job/folder"
printf '%s\0' "$@" >"$job/command"
{
  while IFS= read -r -d '' entry; do
    name=${entry%%=*}
    case "$name" in
      *[!A-Za-z0-9_]* | "" | PWD | OLDPWD | SHLVL | _ | HOME | PATH | DISPLAY | XAUTHORITY | \
        XDG_RUNTIME_DIR | TERM | TMUX | TMUX_PANE | SSH_* | DBUS_*) continue ;;
    esac
    printf 'export %s=%q\n' "$name" "${entry#*=}"
  done < <(env -0)
  printf 'export TAVIK_TIME_SCALE=%q\n' "${TAVIK_TIME_SCALE:-12}"
  printf 'export TAVIK_IN_VM=1 TAVIK_VM_TIMEOUT=%q\n' "$timeout_s"
} >"$job/environment"

: >"$job/console"
: >"$job/output"
timeout "$((timeout_s + 60))" qemu-system-x86_64 \
  -accel tcg,thread=multi -cpu max,-smap -smp "${TAVIK_VM_CPUS:-$(nproc)}" \
  -m "${TAVIK_VM_MEMORY:-6144}" -display none -no-reboot -nic none \
  -kernel "$kernel" -initrd "$job/initrd.img" \
  -append "console=ttyS0 quiet loglevel=1 panic=-1 tavik.job=$job tavik.self=$self" \
  -virtfs "local,path=/,mount_tag=hostroot,security_model=passthrough,multidevs=remap" \
  -serial "file:$job/console" -serial "file:$job/output" \
  -monitor none </dev/null >"$job/qemu.log" 2>&1 &
qemu_pid=$!
if [ -n "${TAVIK_VM_PS:-}" ]; then
  echo "in-vm: the VM's process list goes to $job/console every $TAVIK_VM_PS s" >&2
fi

# The command's output as it comes; tail ends a second after QEMU does.
tail -n +1 -f --pid="$qemu_pid" "$job/output" &
tail_pid=$!
set +e
wait "$qemu_pid"
qemu_status=$?
set -e
qemu_pid=""
wait "$tail_pid" 2>/dev/null || true
tail_pid=""

if [ -s "$job/processes" ] || [ "$qemu_status" -eq 124 ]; then
  if [ -s "$job/processes" ]; then
    cat "$job/processes" >&2
  else
    echo "in-vm: the VM did not end within $timeout_s s, nor stop itself; QEMU was ended" >&2
    tail -n 20 "$job/console" >&2
  fi
  if [ -s "$job/output" ]; then
    echo "in-vm: the command's last lines:" >&2
    tail -n 30 "$job/output" >&2
  else
    echo "in-vm: the command printed nothing" >&2
  fi
  exit 124
fi
if [ ! -s "$job/status" ]; then
  echo "in-vm: the VM ended without the command's exit status (QEMU status $qemu_status)" >&2
  tail -n 20 "$job/qemu.log" "$job/console" >&2
  exit 125
fi
exit "$(cat "$job/status")"

# Sourced by the tools: what this host can run, and how the Wine steps are run on it.
#
# Wine's 32-bit programs need a kernel that runs i386 code. Where it does not, the build stays on
# the host and every Wine step runs inside one software-emulated VM (tools/in-vm.sh), about twelve
# times slower; TAVIK_EMULATE=1 takes that path on any host.

# Time bounds in tests are multiplied by this inside the VM.
tavik_emulated_time_scale=12

# True when this host runs i386 programs: the i386 dynamic loader is run, and its status read.
# A kernel without IA-32 emulation refuses it at execve (status 126, "Exec format error").
tavik_host_runs_i386() {
  local loader=/lib/i386-linux-gnu/ld-linux.so.2
  [ -x "$loader" ] && "$loader" --version >/dev/null 2>&1
}

# True when the Wine steps must run inside the VM.
tavik_emulated() {
  [ "${TAVIK_EMULATE:-0}" = 1 ] || ! tavik_host_runs_i386
}

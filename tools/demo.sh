#!/usr/bin/env bash
# The demo: builds everything, starts the simulated camera with its default scenario, lays out a
# working folder with the updater, its library and the sample package, and drives the updater
# through a whole update, saving a PNG of each stage (the first also at 144 DPI, as on a 150 %
# screen). With a display the dialog shows there; without one it runs under Xvfb. Prints the
# paths of the pictures.
#
# On a host whose kernel runs no 32-bit code (or with TAVIK_EMULATE=1) the build stays here and
# the rest (Xvfb, Wine and the pictures) runs inside one emulated VM (tools/in-vm.sh).
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
. tools/host.sh

if [ -z "${TAVIK_IN_VM:-}" ]; then
  tools/setup.sh
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw
  if tavik_emulated; then
    echo "demo: this host runs no 32-bit programs (or TAVIK_EMULATE=1 is set): the updater runs in an emulated VM, about twelve times slower"
    if [ -n "${DISPLAY:-}" ]; then
      echo "demo: its window cannot be shown on this display from there; it is pictured under Xvfb instead"
    fi
    exec tools/in-vm.sh tools/demo.sh
  fi
fi

# A prefix of the demo's own, with Wine's X11 driver: the tests' prefix has no display at all.
export TAVIK_WINEPREFIX="$root/build/demo-prefix"
export TAVIK_WINE_GRAPHICS=x11
run="$root/build/wine-run.sh"
bin="$root/build/bin"
work="$root/build/demo"
pictures="$work/pictures"

xvfb_pid=""
watcher_pid=""
cleanup() {
  if [ -n "$watcher_pid" ]; then kill "$watcher_pid" 2>/dev/null || true; fi
  "$run" "$bin/OrvaneCamSimCtl.exe" stop >/dev/null 2>&1 || true
  "$run" --kill
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  # Xvfb has no window manager: the updater runs inside Wine's virtual desktop, which draws the
  # caption itself.
  for n in $(seq 90 99); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=":$n"
      break
    fi
  done
  [ -n "$xvfb_pid" ] || { echo "demo: no free X display number for Xvfb" >&2; exit 1; }
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
fi

"$run" --boot
"$run" "$bin/OrvaneCamSimCtl.exe" install-start >/dev/null

rm -rf "$work"
mkdir -p "$work/UPDATEFILES" "$pictures"
cp "$bin/TAVIKUpdate.exe" "$bin/TAVIKUtilDll.dll" "$bin/TAVIKDemoDriver.exe" "$work/"
cp examples/UPDATEFILES/TAVIKUpdate.xml "$work/UPDATEFILES/"
python3 examples/make_sample_images.py "$work/UPDATEFILES" >/dev/null

# The driver asks for a picture with a file NAME.wanted; this takes it from the X server.
desktop="TAVIKDemo - Wine desktop"
take_pictures() {
  set +e  # a failed grab or conversion must not end the watcher: the driver would wait for it
  while :; do
    for wanted in "$pictures"/*.wanted; do
      [ -e "$wanted" ] || continue
      name="${wanted%.wanted}"
      # Claimed first: the driver may ask for the same picture again while this one converts.
      mv -f "$wanted" "$name.taking"
      # Every grab comes before the driver is told (it holds what the dialog shows until then);
      # the conversion comes after. Wine may keep a top-level window (the message box) in storage
      # of its own, which a grab of the desktop shows black: each window of the desktop is grabbed
      # by itself too and laid on the desktop's picture, the bottom one first.
      xwd -silent -name "$desktop" -out "$name.xwd" || true
      layers=()
      n=0
      # (Through a file: the VM has no /dev/fd for a process substitution.)
      if ! xwininfo -children -name "$desktop" >"$name.tree"; then
        echo "demo: xwininfo could not list the desktop's windows: a box in $name.png may be black" >&2
      fi
      awk '
        /^ +0x[0-9a-f]+ / {
          if (split($(NF - 1), g, /[x+]/) == 4 && g[1] > 1 && g[2] > 1) print $1, g[3], g[4]
        }' "$name.tree" | tac >"$name.windows"
      while read -r id x y; do
        n=$((n + 1))
        if xwd -silent -id "$id" -out "$name.$n.xwd" 2>/dev/null; then
          layers+=("xwd:$name.$n.xwd" -geometry "+$x+$y" -composite)
        fi
      done <"$name.windows"
      : >"$name.grabbed"
      convert "xwd:$name.xwd" "${layers[@]}" "$name.tmp.png" && mv "$name.tmp.png" "$name.png"
      rm -f "$name.taking" "$name.tree" "$name.windows" "$name".*xwd
    done
    sleep 0.02
  done
}
take_pictures &
watcher_pid=$!

# The driver runs inside Wine's virtual desktop, starts the updater there, sets the camera's
# scenario, waits for each stage and saves a picture of the desktop at each. First, at 144 DPI
# (150 %), it takes the first picture alone: the dialog's text and images at that scale. Each
# program reads the DPI as it starts.
set_dpi() {
  "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
}
set_dpi 144
(cd "$work" && "$run" explorer "/desktop=TAVIKDemo,800x600" TAVIKDemoDriver.exe pictures \
   --first-picture 1-waiting-144dpi </dev/null)
set_dpi 96
(cd "$work" && "$run" explorer "/desktop=TAVIKDemo,800x600" TAVIKDemoDriver.exe pictures \
   </dev/null)

# The last picture's conversion may still be running.
for _ in $(seq 600); do
  ls "$pictures"/*.wanted "$pictures"/*.taking >/dev/null 2>&1 || break
  sleep 0.1
done
rm -f "$pictures"/*.grabbed

echo "The demo's pictures:"
ls -1 "$pictures"/*.png

#!/usr/bin/env bash
# Opens every window of the desktop front end on a virtual display and saves a picture of each, at the
# default size and at 150% scaling on a 1920 x 1080 screen, for a person to look at: OUTDIR/100/*.png and
# OUTDIR/150/*.png. A window manager (openbox) is started on the display when there is one. A window that
# does not open (or cannot be pictured) is named, and the script fails.
# Usage: scripts/screenshots.sh [OUTDIR]   (default /tmp/kiwora-shots; needs xvfb-run and Qt 6)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-/tmp/kiwora-shots}
case "$(realpath -m "$out")/" in
  "$(pwd)"/*) echo "screenshots.sh: choose a folder outside the repository" >&2; exit 2 ;;
esac

scripts/install-deps.sh screenshots
# Quiet when it works; the whole output when the configuration or the build fails.
quietly() {
  local log
  if ! log=$("$@" 2>&1); then
    printf '%s\n' "$log" >&2
    echo "screenshots.sh: failed: $*" >&2
    exit 1
  fi
}
quietly cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
quietly cmake --build build -j3 --target kiwora_screenshots
for scale in 100 150; do
  rm -rf "$out/$scale"
  QT_SCALE_FACTOR=$(echo "$scale" | sed 's/\(.\)\(..\)$/\1.\2/') QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1920x1080x24" sh -c \
      'if command -v openbox > /dev/null; then openbox & sleep 1; fi; exec "$0" "$@"' \
      build/frontend/qt/kiwora_screenshots "$out/$scale" examples/demo.txt
done
echo "pictures in $out"

#!/usr/bin/env bash
# Passes when COMMAND fails (exits non-zero) and what it prints contains TEXT: a refusal for the right
# reason, not just any failure. Runs of blanks and line breaks count as one blank (CMake wraps its
# messages). Usage: refuses.sh TEXT COMMAND [ARG...]
set -uo pipefail
text=$1
shift
out=$("$@" 2>&1)
rc=$?
printf '%s\n' "$out"
if [ "$rc" -eq 0 ]; then
  echo "refuses.sh: the command succeeded; expected it to refuse with: $text"
  exit 1
fi
flat() { printf '%s' "$1" | tr -s '[:space:]' ' '; }
if [[ "$(flat "$out")" != *"$(flat "$text")"* ]]; then
  echo "refuses.sh: the command failed (exit $rc) without the text: $text"
  exit 1
fi

# Sourced by the build scripts: sets `jobs`, the number of build and test jobs, from KIWORA_JOBS (default:
# the number of cores), so that a shared machine can be spared. Refuses anything but a positive whole number.
# shellcheck shell=bash
jobs=${KIWORA_JOBS:-$(nproc 2>/dev/null || echo 4)}
if ! [[ $jobs =~ ^[1-9][0-9]*$ ]]; then
  echo "$(basename "$0"): KIWORA_JOBS must be a positive whole number of jobs, not '$jobs'" >&2
  exit 2
fi

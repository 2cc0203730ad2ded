#!/usr/bin/env bash
# Runs every benchmark binary and side-by-side script that has been built.
set -euo pipefail
build="${1:-build}"
status=0
for b in "$build"/bin/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" || status=1
done
for s in bench/*.sh; do
  [ -x "$s" ] || continue
  echo "== $(basename "$s")"
  "$s" "$build" || status=1
done
exit $status

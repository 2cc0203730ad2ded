#!/usr/bin/env bash
# Builds the program and writes a PNG of every window, empty and filled, at 100% and 150%
# scaling into <build>/screenshots/100 and <build>/screenshots/150 (offscreen, real fonts).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${1:-build}"

make --no-print-directory configure BUILD_DIR="$BUILD_DIR"
cmake --build "$BUILD_DIR" -j "$(nproc)" --target zmb_screenshots

for scale in 100:1 150:1.5; do
  out="$BUILD_DIR/screenshots/${scale%%:*}"
  rm -rf "$out"
  QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="${scale#*:}" \
    "$BUILD_DIR/bin/zmb_screenshots" "$out" 2> >(grep -v 'This plugin does not support' >&2)
done

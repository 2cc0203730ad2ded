#!/usr/bin/env bash
# Starts the desktop program (with a password box to propose at login, when one is given);
# without a display (or before the program exists) runs the command-line demo.
# Usage: scripts/run.sh [BUILD_DIR [BOX]]
set -euo pipefail
bin="${1:-build}/bin"
box="${2:-}"

if [ -x "$bin/zembrix" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  if [ -n "$box" ]; then
    exec "$bin/zembrix" "$box"
  fi
  exec "$bin/zembrix"
fi

if [ ! -x "$bin/zembrix" ]; then
  echo "The desktop program is not built yet; running the command-line demo instead."
else
  echo "No display (\$DISPLAY and \$WAYLAND_DISPLAY are unset); running the command-line demo instead."
fi

if [ -x "$bin/zembrix-cli" ]; then
  exec "$bin/zembrix-cli" demo
fi

echo "The command-line tool is not built yet either. Built so far:"
find "${1:-build}/bin" "${1:-build}/lib" -maxdepth 1 -type f 2>/dev/null | sort | sed 's/^/  /'

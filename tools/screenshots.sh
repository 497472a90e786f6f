#!/bin/sh
# Renders the main window with the example pool, the Pool menu, the Settings,
# Split, Join and About dialogs, the missing-files and full-pool messages and
# the window with an instrument file opened to docs/screenshots/*.png without
# a display, with a settings store of its own (the user's recent files and
# options are not shown).
#   tools/screenshots.sh [BUILD_DIR]     (default: build)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-build}
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
EXE="$BUILD/bin/dorvane-screenshots"
if [ ! -x "$EXE" ]; then
    cmake --build "$BUILD" --target dorvane-screenshots
fi
RUNTIME=$(mktemp -d)
trap 'rm -rf "$RUNTIME"' EXIT
chmod 700 "$RUNTIME"
mkdir -p "$ROOT/docs/screenshots"
# A missing example pool is replaced by a generated one inside the program.
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$RUNTIME" XDG_CONFIG_HOME="$RUNTIME" \
    "$EXE" "$ROOT/docs/screenshots" "$ROOT/examples/example.dvn"

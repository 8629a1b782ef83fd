#!/bin/sh
# Makes docs/window.png: the window after solving sample level 1 and stepping a few moves.
# Usage: ui/screenshot.sh [BUILD_DIR] [OUTPUT]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/docs/window.png}
mkdir -p "$(dirname "$out")"
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/ui/cratewise-gui" --screenshot "$out"
echo "wrote $out"

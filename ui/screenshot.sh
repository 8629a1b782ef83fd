#!/bin/sh
# Makes the README's pictures without a display: docs/window.png, the window at its normal size after
# solving sample level 1 and stepping a few moves, and docs/window-large.png, the 50 x 50 level of
# ui/art/warehouse.xsb fitted whole into a window maximised on a 1600 x 1000 desktop.
# Usage: ui/screenshot.sh [BUILD_DIR] [OUTPUT_FOLDER]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/docs}
mkdir -p "$out"
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
gui() {
    XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/ui/cratewise-gui" "$@"
}
gui --screenshot "$out/window.png"
echo "wrote $out/window.png"
gui --screenshot "$out/window-large.png" --level "$root/ui/art/warehouse.xsb" --size 1600x960
echo "wrote $out/window-large.png"

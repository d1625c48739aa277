#!/usr/bin/env bash
# Draws the same frames through the software device and the GL device with `capture` and compares
# each pair with `compare-frames`: the golden tests' crafted scenes (also on a 1920 x 1440 target
# with 4 samples, and with 8) and a floor the near plane clips, the shared scenes that have a
# camera, when they are there, and frames of our production. Prints the PSNR and the worst 16 x 16
# block's mean absolute difference of every frame; fails when a frame is under 35 dB or has a
# block more than 8 steps apart, or when no GL context can be made (the comparison would then
# hold the software device against itself).
# Usage: scripts/compare-devices.sh [BUILD_DIR]   (built: capture, compare-frames, make-demo;
#                                                   default build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
shared=$here/../shared/scenes
capture=$build/tools/capture
for program in "$capture" "$build/tools/compare-frames" "$build/tools/make-demo"; do
    [ -x "$program" ] || { echo "compare-devices: $program is not built" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
pairs=()

# shot NAME SCENE FRAMES [capture options]: the frames through both devices, into sw/NAME and
# gl/NAME.
shot() {
    local name=$1 scene=$2 frames=$3
    shift 3
    "$capture" "$scene" "sw/$name" --frames "$frames" "$@" >/dev/null
    "$capture" "$scene" "gl/$name" --frames "$frames" --device gl "$@" >/dev/null 2>gl-said.txt
    if grep -q "no GL device" gl-said.txt; then
        echo "compare-devices: $(cat gl-said.txt)" >&2
        exit 1
    fi
    local frame
    for frame in sw/"$name"/*.png; do
        pairs+=("$frame" "gl/$name/${frame##*/}")
    done
}

"$build/tools/make-demo" --crafted-scenes crafted
shot lit crafted/lit.3ds 0,50,100
shot headlight crafted/headlight.3ds 0
shot paused crafted/paused.3ds 0,20
shot near-plane crafted/near-plane.3ds 0
shot near-plane-8 crafted/near-plane.3ds 0 --samples 8
shot lit-8 crafted/lit.3ds 50 --samples 8
shot lit-1920x1440x4 crafted/lit.3ds 50 --size 1920x1440 --samples 4
shot paused-1920x1440x4 crafted/paused.3ds 0 --size 1920x1440 --samples 4

if [ -d "$shared" ]; then
    shot TargetCameraAnim "$shared/TargetCameraAnim.3ds" 0,25,50,75,100
fi

"$build/tools/make-demo" demo --frames 10 >/dev/null
shot production demo/sarnoj1.3ds 0,100,200,300,400,500,600,700,800,900,1000,1100
shot production-1440x1080x4 demo/sarnoj1.3ds 300,800 --size 1440x1080 --samples 4

"$build/tools/compare-frames" "${pairs[@]}"

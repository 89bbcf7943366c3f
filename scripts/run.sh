#!/usr/bin/env bash
# Runs the Duovue software against the simulated camera: installs what is missing (Debian 12),
# builds zentview and duovue-sim, starts the camera with its default store on a private runtime
# directory, opens zentview, and stops the camera again when the window closes.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_deps

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENT_WERROR=ON >/dev/null
cmake --build build -j "$(nproc)" --target zentview duovue-sim

# The camera's socket lives in a private runtime directory; a Wayland session keeps its own
# socket reachable through an absolute path.
session_runtime="${XDG_RUNTIME_DIR:-}"
if [ -n "${WAYLAND_DISPLAY:-}" ] && [ "${WAYLAND_DISPLAY#/}" = "$WAYLAND_DISPLAY" ] &&
    [ -n "$session_runtime" ]; then
    export WAYLAND_DISPLAY="$session_runtime/$WAYLAND_DISPLAY"
fi
runtime="$(mktemp -d /tmp/duovue-run-XXXXXX)"
export XDG_RUNTIME_DIR="$runtime"

./build/bin/duovue-sim --slot 0 --store default &
sim=$!
stop_camera() {
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    rm -rf "$runtime"
}
trap stop_camera EXIT

for _ in $(seq 100); do
    [ -S "$runtime/usbscan/0" ] && break
    kill -0 "$sim" 2>/dev/null || { echo "duovue-sim did not start" >&2; exit 1; }
    sleep 0.1
done

./build/bin/zentview

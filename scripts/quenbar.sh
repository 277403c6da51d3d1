#!/bin/sh
# Set up, build and run Quenbar on Debian 12.
#   scripts/quenbar.sh run    install what is missing, build, run the main job
#   scripts/quenbar.sh test   install what is missing, build, run the whole test suite
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${QUENBAR_BUILD_DIR:-$ROOT/build}
JOBS=${QUENBAR_JOBS:-$(nproc 2>/dev/null || echo 2)}

PACKAGES="cmake ninja-build g++ qt6-base-dev libqt6sql6-sqlite libsqlite3-dev \
  fonts-dejavu-core xvfb xauth poppler-utils libxml2-utils python3 python3-zeep \
  pkg-config libpoppler-cpp-dev antiword"

install_missing() {
    missing=""
    for p in $PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
}

build() {
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$BUILD" -j "$JOBS"
}

case "${1:-}" in
run)
    install_missing
    build
    DEMO=${QUENBAR_DEMO_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/quenbar-demo}
    JOB=$("$ROOT/examples/prepare-demo" "$DEMO" | tail -n 1)
    echo "Starting the workbench on $JOB"
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        exec "$BUILD/bin/Quenbar" "-Proj:$JOB"
    fi
    # No display: start it on a virtual one for a while to show that it comes up.
    echo "No display found: running on a virtual display for 20 seconds"
    status=0
    timeout 20 xvfb-run -a "$BUILD/bin/Quenbar" "-Proj:$JOB" || status=$?
    [ "$status" -eq 124 ] && status=0
    exit "$status"
    ;;
test)
    install_missing
    build
    ctest --test-dir "$BUILD" -j "$JOBS" --output-on-failure
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

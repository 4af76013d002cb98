#!/usr/bin/env bash
# Set-up, build and run in one step:
#   ./run.sh demo [demo options]      run the scope demo (offscreen without a display)
#   ./run.sh test [--asan|--tsan]     build and run the whole test suite
#   ./run.sh soak [MINUTES]           the scope against the simulated robot (default 30 min)
# Installs missing Debian packages (as root, or through sudo), configures once and
# afterwards only rebuilds what changed.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake make g++ pkg-config python3
          qtbase5-dev libqwt-qt5-dev qttools5-dev qttools5-dev-tools libbenchmark-dev
          xvfb xauth x11-utils imagemagick fonts-wqy-microhei)

usage() {
    sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
}

ensure_packages() {
    local missing=()
    for pkg in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "run.sh: installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
}

configure_and_build() {
    local dir=$1; shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" "$@"
    fi
    cmake --build "$dir" -j "$(nproc)"
}

[ $# -ge 1 ] || usage
command=$1; shift

case "$command" in
test)
    variant=plain
    case "${1:-}" in
        --asan) variant=asan; shift ;;
        --tsan) variant=tsan; shift ;;
        "") ;;
        *) usage ;;
    esac
    ensure_packages
    case "$variant" in
        plain) dir=build;      flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
        asan)  dir=build-asan; flags=(-DCMAKE_BUILD_TYPE=Debug -DSCOPE_SANITIZER=address -DSCOPE_BUILD_BENCH=OFF) ;;
        tsan)  dir=build-tsan; flags=(-DCMAKE_BUILD_TYPE=Debug -DSCOPE_SANITIZER=thread -DSCOPE_BUILD_BENCH=OFF) ;;
    esac
    configure_and_build "$dir" "${flags[@]}"
    ctest --test-dir "$dir" --output-on-failure "$@"
    ;;
soak)
    minutes=${1:-30}
    ensure_packages
    configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    QT_QPA_PLATFORM=offscreen exec build/bin/scope_soak "$minutes"
    ;;
demo)
    ensure_packages
    configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    if [ ! -x build/bin/scope-demo ]; then
        echo "run.sh: the demo host is not built yet; everything else was built in build/"
        exit 0
    fi
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        set -- --offscreen "$@"
    fi
    exec build/bin/scope-demo "$@"
    ;;
*)
    usage
    ;;
esac

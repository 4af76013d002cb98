#!/usr/bin/env bash
# Set-up, build and run in one step:
#   ./run.sh demo [demo options]      run the scope demo (offscreen without a display)
#   ./run.sh test [--asan|--tsan]     build and run the whole test suite
#   ./run.sh fuzz [SECONDS]           build the libFuzzer targets with clang, run each SECONDS (60)
#   ./run.sh bench                    Release build in build-bench, one table of speed figures
#   ./run.sh soak [--headless] [MINUTES]  the scope against the simulated robot, tarnscope-record
#                                     beside it (default 30 min); --headless: the recorder alone
#   ./run.sh vendor-sdk               the kit built against a fake maker's SDK, installed, consumed
# Installs missing Debian packages (as root, or through sudo), configures once and
# afterwards only rebuilds what changed.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake make g++ pkg-config python3 clang-format
          qtbase5-dev libqwt-qt5-dev qttools5-dev qttools5-dev-tools libbenchmark-dev
          libmuparser-dev libfftw3-dev fonts-wqy-microhei doxygen)

usage() {
    sed -n '2,/^set -euo/p' "$0" | grep '^#' | sed 's/^# \{0,1\}//'
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
    local source=.
    if [ "${1:-}" = "-S" ]; then
        source=$2; shift 2
    fi
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$source" -B "$dir" "$@"
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
fuzz)
    seconds=${1:-60}
    [[ "$seconds" =~ ^[0-9]+$ ]] || usage
    PACKAGES+=(clang libclang-rt-14-dev)
    ensure_packages
    CC=clang CXX=clang++ configure_and_build build-fuzz -S fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo
    passed=0
    failed=0
    for target in scopefile_read scopefile_roundtrip setupfile_read treemodel; do
        # New inputs go to the build folder; the seeds in fuzz/corpus stay as checked in.
        mkdir -p "build-fuzz/corpus/$target" build-fuzz/artifacts
        echo "run.sh: fuzzing $target for ${seconds}s"
        if QT_QPA_PLATFORM=offscreen \
            ASAN_OPTIONS=fast_unwind_on_malloc=0:detect_leaks=1 \
            LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0 \
            UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            "build-fuzz/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
            -seed="${FUZZ_SEED:-1}" \
            -rss_limit_mb=4096 -print_final_stats=1 \
            -artifact_prefix="build-fuzz/artifacts/$target-" \
            "build-fuzz/corpus/$target" "fuzz/corpus/$target" </dev/null; then
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
            echo "run.sh: fuzz_$target found a failure; the input is in build-fuzz/artifacts/"
        fi
    done
    echo "fuzz: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    ;;
bench)
    ensure_packages
    configure_and_build build-bench -DCMAKE_BUILD_TYPE=Release -DSCOPE_BUILD_TESTS=OFF
    exec python3 bench/bench_table.py build-bench
    ;;
soak)
    headless=()
    if [ "${1:-}" = --headless ]; then headless=(--headless); shift; fi
    minutes=${1:-30}
    ensure_packages
    configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    QT_QPA_PLATFORM=offscreen exec build/bin/scope_soak "${headless[@]}" "$minutes"
    ;;
vendor-sdk)
    ensure_packages
    exec tests/vendor_sdk/check_vendor_sdk.sh build-vendor-sdk
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

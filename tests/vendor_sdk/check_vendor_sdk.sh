#!/usr/bin/env bash
# The kit built against the maker's SDK, end to end, with a fake maker's SDK made here: the
# SDK header and a versioned library (libTarn_Prod.so -> .so.3 -> .so.3.1) that exports only
# the three SDK functions, laid out as a Debian package has it (usr/lib/<multiarch>).
#   - a configure that cannot find the SDK names the file and the folders it tried;
#   - the product configures and builds with -DSCOPE_VENDOR_SDK=ON and installs a kit;
#   - the kit links the library by its SONAME, ships no copy of it, and ldd finds everything;
#   - examples/consumer builds against the kit and runs on the fake SDK, not the simulator.
#
#   check_vendor_sdk.sh <work folder>
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mkdir -p "$1" && cd "$1" && pwd)
fake=$work/fake-sdk
prefix=$work/prefix
jobs=$(nproc)

fail() {
    echo "FAIL: $*"
    exit 1
}

echo "== a fake maker's SDK in $fake"
rm -rf "$fake" "$prefix" "$work/consumer"
multiarch=$(gcc -print-multiarch)
libdir=$fake/usr/lib/$multiarch
mkdir -p "$fake/usr/include" "$libdir"
cp "$root/sdk/include/Tarn_Prod.h" "$fake/usr/include/"
g++ -std=c++17 -shared -fPIC -I "$fake/usr/include" -Wl,-soname,libTarn_Prod.so.3 \
    -o "$libdir/libTarn_Prod.so.3.1" "$root/tests/vendor_sdk/FakeTarnProd.cpp"
ln -sf libTarn_Prod.so.3.1 "$libdir/libTarn_Prod.so.3"
ln -sf libTarn_Prod.so.3 "$libdir/libTarn_Prod.so"

echo "== a configure that cannot find the SDK says what it looked for, and where"
nowhere=$work/no-sdk-here
if cmake -S "$root" -B "$work/build-missing" -DSCOPE_VENDOR_SDK=ON \
    -DSCOPE_VENDOR_SDK_DIR="$nowhere" >"$work/missing.log" 2>&1; then
    fail "the configure without an SDK succeeded"
fi
for expected in "Tarn_Prod.h was not found in:" "libTarn_Prod.so was not found in:" \
    "$nowhere/usr/include" "$nowhere/usr/lib/$multiarch"; do
    grep -qF -- "$expected" "$work/missing.log" || {
        cat "$work/missing.log"
        fail "the configure error does not name \"$expected\""
    }
done
rm -rf "$work/build-missing"

echo "== the kit against the fake SDK"
cmake -S "$root" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCOPE_VENDOR_SDK=ON \
    -DSCOPE_VENDOR_SDK_DIR="$fake" -DSCOPE_BUILD_BENCH=OFF >"$work/configure.log"
grep -q "are left out of this build" "$work/configure.log" ||
    fail "the configure does not say that the simulator's programs are left out"
cmake --build "$work/build" -j "$jobs" >"$work/build.log"
cmake --install "$work/build" --prefix "$prefix" >"$work/install.log"

if ls "$prefix"/lib/libTarn_Prod* >/dev/null 2>&1; then
    fail "the kit carries a copy of the maker's library: $(ls "$prefix"/lib/libTarn_Prod*)"
fi
readelf -d "$prefix/lib/libTarnScope.so.1.0" | grep -q 'NEEDED.*\[libTarn_Prod\.so\.3\]' ||
    fail "libTarnScope does not link the maker's library by its SONAME libTarn_Prod.so.3"
for file in "$prefix"/lib/libTarnScope.so.1.0 "$prefix"/lib/qt5/plugins/designer/*.so; do
    if ldd "$file" | grep -q "not found"; then
        ldd "$file"
        fail "$file has libraries ldd cannot find"
    fi
done

echo "== the consumer example against the kit"
cmake -S "$root/examples/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
    >"$work/consumer-configure.log"
if grep -q "simulated controller" "$work/consumer-configure.log"; then
    fail "the package built against the maker's SDK calls itself simulated"
fi
cmake --build "$work/consumer" -j "$jobs" >"$work/consumer-build.log"
if ldd "$work/consumer/scope-consumer" | grep -q "not found"; then
    ldd "$work/consumer/scope-consumer"
    fail "the consumer has libraries ldd cannot find"
fi
QT_QPA_PLATFORM=offscreen "$work/consumer/scope-consumer" >"$work/consumer-run.log" 2>&1 || {
    cat "$work/consumer-run.log"
    fail "the consumer failed on the fake SDK"
}
grep -q "fake Tarn_Prod: first read" "$work/consumer-run.log" ||
    fail "the consumer never read the fake SDK"
grep -q "Controller library: .*libTarn_Prod.so.3" "$work/consumer-run.log" ||
    fail "the scope did not log which controller library it runs on"
if grep -qi "simulated" "$work/consumer-run.log"; then
    cat "$work/consumer-run.log"
    fail "the scope took the maker's library for the simulator"
fi
echo "vendor SDK kit: OK"

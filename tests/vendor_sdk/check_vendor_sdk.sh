#!/usr/bin/env bash
# The kit built against the maker's SDK, end to end, with a fake maker's SDK made here: the
# SDK header and a versioned library (libTarn_Prod.so -> .so.3 -> .so.3.1) that exports only
# the three SDK functions, laid out as a Debian package has it (usr/lib/<multiarch>).
#   - a configure that cannot find the SDK names the file and the folders it tried;
#   - the product configures and builds with -DSCOPE_VENDOR_SDK=ON and installs a kit;
#   - nothing of the kit links the library (the scope opens it at run time), the kit ships
#     no copy of it and has no run path to it, and ldd finds everything;
#   - no library or plug-in, built or installed, looks for libraries in the working folder;
#   - examples/consumer builds against the kit and runs on the fake SDK, not the simulator,
#     which the scope opens from the SDK folder the kit was built against;
#   - with the fake SDK moved away, the consumer still starts, says it has no controller
#     library and shows a recording from a file, the installed Designer plug-ins still load
#     in a host and make the widget, and TARNSCOPE_CONTROLLER_LIBRARY finds the moved library.
#
#   check_vendor_sdk.sh <work folder>
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mkdir -p "$1" && cd "$1" && pwd)
fake=$work/fake-sdk
away=$work/fake-sdk-moved
prefix=$work/prefix
jobs=$(nproc)

fail() {
    echo "FAIL: $*"
    exit 1
}

echo "== a fake maker's SDK in $fake"
rm -rf "$fake" "$away" "$prefix" "$work/consumer"
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
for file in "$prefix"/lib/libTarnScope.so.1.0 "$prefix"/lib/qt5/plugins/designer/*.so; do
    if readelf -d "$file" | grep -q 'NEEDED.*\[libTarn_Prod'; then
        fail "$file links the maker's library; the scope opens it at run time"
    fi
    # The scope looks in the SDK's folder itself; a run path to it would hide a fault there.
    if readelf -d "$file" | grep -E 'R(UN)?PATH' | grep -qv 'ORIGIN'; then
        readelf -d "$file" | grep -E 'R(UN)?PATH'
        fail "$file has an absolute run path"
    fi
    if ldd "$file" | grep -q "not found"; then
        ldd "$file"
        fail "$file has libraries ldd cannot find"
    fi
done

python3 "$root/tests/check_runpath.py" "$work/build/lib" "$prefix"

echo "== the consumer example against the kit, on the fake SDK"
cmake -S "$root/examples/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
    >"$work/consumer-configure.log"
if grep -q "simulated controller" "$work/consumer-configure.log"; then
    fail "the package built against the maker's SDK calls itself simulated"
fi
cmake --build "$work/consumer" -j "$jobs" >"$work/consumer-build.log"
consumer=$work/consumer/scope-consumer
if readelf -d "$consumer" | grep -q 'NEEDED.*\[libTarn_Prod'; then
    fail "TarnScope::Widget links the consumer to the maker's library"
fi
if ldd "$consumer" | grep -q "not found"; then
    ldd "$consumer"
    fail "the consumer has libraries ldd cannot find"
fi

run() {
    local log=$1; shift
    QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES=tarn.scope.controller=true "$@" >"$log" 2>&1 || {
        cat "$log"
        fail "$(basename "$1") failed (log: $log)"
    }
}
expect() {
    local log=$1 text=$2 why=$3
    grep -qF -- "$text" "$log" || {
        cat "$log"
        fail "$why: no \"$text\" in $log"
    }
}

recording=$work/recording.csv
rm -f "$recording"
run "$work/consumer-run.log" "$consumer" --export "$recording"
expect "$work/consumer-run.log" "fake Tarn_Prod: first read" "the consumer never read the fake SDK"
expect "$work/consumer-run.log" "Controller library: $libdir/libTarn_Prod.so.3" \
    "the scope did not open the fake SDK from the folder the kit was built against"
if grep -qi "simulated" "$work/consumer-run.log"; then
    cat "$work/consumer-run.log"
    fail "the scope took the maker's library for the simulator"
fi
[ -s "$recording" ] || fail "the consumer saved no recording to $recording"

echo "== the fake SDK moved away: no controller library"
mv "$fake" "$away"
run "$work/no-library.log" "$consumer" --import "$recording"
expect "$work/no-library.log" "Controller: NoLibrary, libTarn_Prod.so.3 not found in" \
    "the scope does not say that it has no controller library"
expect "$work/no-library.log" "$libdir" "the scope does not say where it looked"
expect "$work/no-library.log" "No controller library: libTarn_Prod.so.3 not found in" \
    "the scope does not log that it has no controller library"
for form in RobotPanel LegacyRobotPanel; do
    grep -qE "^$form: imported [1-9][0-9]* curves of [1-9]" "$work/no-library.log" || {
        cat "$work/no-library.log"
        fail "$form did not show the recording without a controller library"
    }
done

# A host that loads each installed Designer plug-in as Designer and QUiLoader do.
cat >"$work/plugin_host.cpp" <<'CPP'
#include <QApplication>
#include <QPluginLoader>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <cstdio>
#include <memory>
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    for (int k = 1; k < argc; ++k) {
        QPluginLoader loader(QString::fromLocal8Bit(argv[k]));
        auto *plugin = qobject_cast<QDesignerCustomWidgetInterface *>(loader.instance());
        if (!plugin) {
            std::printf("%s: %s\n", argv[k], qPrintable(loader.errorString()));
            return 1;
        }
        std::unique_ptr<QWidget> widget(plugin->createWidget(nullptr));
        if (!widget)
            return 1;
        std::printf("%s: made a %s; controller: %s\n", argv[k], widget->metaObject()->className(),
                    qPrintable(widget->property("controllerLibrary").toString()));
    }
    return 0;
}
CPP
# shellcheck disable=SC2046
g++ -std=c++17 -fPIC -o "$work/plugin_host" "$work/plugin_host.cpp" \
    $(pkg-config --cflags Qt5UiPlugin) $(pkg-config --cflags --libs Qt5Widgets)
plugins=("$prefix"/lib/qt5/plugins/designer/*.so)
[ ${#plugins[@]} -eq 2 ] || fail "the kit has ${#plugins[@]} Designer plug-ins, not 2"
run "$work/plugin-host.log" "$work/plugin_host" "${plugins[@]}"
for plugin in "${plugins[@]}"; do
    expect "$work/plugin-host.log" "$plugin: made a TarnPlugin_Scope; controller: libTarn_Prod.so.3 not found in" \
        "the Designer plug-in does not make the widget without a controller library"
done

echo "== TARNSCOPE_CONTROLLER_LIBRARY names the moved library"
moved=$away/usr/lib/$multiarch/libTarn_Prod.so.3
TARNSCOPE_CONTROLLER_LIBRARY=$moved run "$work/env-library.log" "$consumer"
expect "$work/env-library.log" "Controller library: $moved" \
    "the scope did not open the library TARNSCOPE_CONTROLLER_LIBRARY names"
expect "$work/env-library.log" "fake Tarn_Prod: first read" "the consumer never read the moved fake SDK"
echo "vendor SDK kit: OK"

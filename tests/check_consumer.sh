#!/usr/bin/env bash
# An integrator's path through the installed kit: `cmake --install` into a fresh prefix, the
# public header compiled with nothing but Qt's include folders, then the consumer example
# (two Designer forms compiled by uic) configured with find_package(TarnScope), built and run.
# Nothing of the kit links the controller library; the scope opens the stand-in installed
# beside libTarnScope.
#
# The same example then builds with qmake through the kit's feature file, and a small program
# through its pkg-config file. Last, the installed tarnscope-record runs from the prefix.
#
#   check_consumer.sh <build folder> <consumer source> <work folder> <sanitizer> <qmake>
#
# Exits 77 (skipped) for a sanitizer build: a plain consumer cannot link sanitized libraries.
set -euo pipefail

build=$1
source=$2
work=$3
sanitizer=$4
qmake=$5

if [ -n "$sanitizer" ]; then
    echo "skipped: a consumer cannot link a library built with -fsanitize=$sanitizer"
    exit 77
fi

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log"

# The public header alone, with Qt's keywords off too, and with the alias `scope` switched off
# next to an application's own namespace of that name.
echo '#include "TarnPlugin_Scope.h"' >"$work/header_alone.cpp"
printf '%s\n' '#define TARNSCOPE_NO_SCOPE_ALIAS' '#include "TarnPlugin_Scope.h"' \
    'namespace scope { int answer = 42; }' 'int use() { return scope::answer; }' >"$work/own_scope.cpp"
for unit in header_alone.cpp own_scope.cpp; do
    # shellcheck disable=SC2046
    g++ -std=c++17 -fPIC -fsyntax-only -Werror -Wall -Wextra -DQT_NO_KEYWORDS \
        -I "$prefix/include/TarnScope" $(pkg-config --cflags Qt5Widgets) "$work/$unit"
done

if grep -rl --include='*.cmake' "$(cd "$build" && pwd)" "$prefix" >/dev/null; then
    echo "FAIL: the installed package points back into the build tree"
    exit 1
fi
for file in "$prefix"/lib/libTarnScope.so.* "$prefix"/lib/qt5/plugins/designer/*.so; do
    if readelf -d "$file" | grep -E 'R(UN)?PATH' | grep -qv 'ORIGIN'; then
        echo "FAIL: $file has an absolute run path"
        readelf -d "$file" | grep -E 'R(UN)?PATH'
        exit 1
    fi
done
python3 "$(dirname "$0")/check_runpath.py" "$prefix"

# The English translation ships beside the library for hosts that load translations themselves.
if [ ! -s "$prefix/share/tarnscope/translations/tarnscope_en.qm" ]; then
    echo "FAIL: the kit has no share/tarnscope/translations/tarnscope_en.qm"
    exit 1
fi

# The stand-in ships whole (its SONAME's chain) and exports the SDK functions and the
# simulator's marker, nothing of the simulator's controls.
sdk_symbols=$(nm -D --defined-only "$prefix"/lib/libTarn_Prod.so.1 | awk '{print $3}' | LC_ALL=C sort | tr '\n' ' ')
if [ "$sdk_symbols" != "TarnIF_ReadRobotFlags TarnSim_Controller Tarn_ReadScopeData Tarn_SetScopeIndexs " ]; then
    echo "FAIL: the installed stand-in exports: $sdk_symbols"
    exit 1
fi
if ldd "$prefix"/lib/libTarnScope.so.1 | grep -q "not found"; then
    echo "FAIL: the kit's libraries are not all found"
    ldd "$prefix"/lib/libTarnScope.so.1
    exit 1
fi
# The scope opens the controller library at run time: nothing of the kit links it.
for file in "$prefix"/lib/libTarnScope.so.1 "$prefix"/lib/qt5/plugins/designer/*.so; do
    if readelf -d "$file" | grep -q 'NEEDED.*\[libTarn_Prod'; then
        echo "FAIL: $file links the controller library"
        exit 1
    fi
done

cmake -S "$source" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" >"$work/configure.log"
if ! grep -q "runs on the simulated controller" "$work/configure.log"; then
    echo "FAIL: the package does not say that its controller is the simulator"
    exit 1
fi
cmake --build "$work/consumer" >"$work/build.log"
if readelf -d "$work/consumer/scope-consumer" | grep -q 'NEEDED.*\[libTarn_Prod'; then
    echo "FAIL: TarnScope::Widget links the consumer to the controller library"
    exit 1
fi
QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES=tarn.scope.controller=true \
    "$work/consumer/scope-consumer" 2>&1 | tee "$work/consumer-run.log"
# The stand-in the scope opened is the kit's own, beside libTarnScope.
opened=$(sed -n 's/.*The controller library \(.*\) is the simulated controller.*/\1/p' \
    "$work/consumer-run.log" | head -n 1)
if [ -z "$opened" ] || [ "$(realpath "$opened")" != "$(realpath "$prefix/lib/libTarn_Prod.so.1")" ]; then
    echo "FAIL: the scope did not open the kit's stand-in $prefix/lib/libTarn_Prod.so.1 (opened: ${opened:-none})"
    exit 1
fi

echo "== the same consumer built with qmake (CONFIG += tarnscope)"
mkdir -p "$work/qmake-consumer"
(cd "$work/qmake-consumer" &&
    QMAKEFEATURES="$prefix/lib/qt5/mkspecs/features" \
        "$qmake" "$source/../qmake-consumer/scope-consumer.pro" >"$work/qmake.log" &&
    make -j "$(nproc)" >>"$work/qmake.log")
QT_QPA_PLATFORM=offscreen "$work/qmake-consumer/scope-consumer"

echo "== a program built with pkg-config --cflags --libs tarnscope"
cat >"$work/pkgconfig_app.cpp" <<'CPP'
#include "TarnPlugin_Scope.h"
#include "TarnScopeVersion.h"
#include <QApplication>
static_assert(TARNSCOPE_VERSION >= TARNSCOPE_VERSION_CHECK(1, 0, 0), "version macros");
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TarnPlugin_Scope scope;
    return scope.isSampling() ? 1 : 0;
}
CPP
# shellcheck disable=SC2046
g++ -std=c++17 -fPIC -o "$work/pkgconfig_app" "$work/pkgconfig_app.cpp" \
    $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs tarnscope)
QT_QPA_PLATFORM=offscreen "$work/pkgconfig_app"

echo "== an application that drives the scope through the public API alone"
cmake -S "$source/../api-consumer" -B "$work/api-consumer" -DCMAKE_PREFIX_PATH="$prefix" \
    >"$work/api-configure.log"
cmake --build "$work/api-consumer" >"$work/api-build.log"
if grep -E "findChild|invokeMethod" "$source/../api-consumer/main.cpp"; then
    echo "FAIL: the API example reaches into the widget"
    exit 1
fi
QT_QPA_PLATFORM=offscreen "$work/api-consumer/scope-api-consumer"

echo "== the installed recorder: no widgets, finds the stand-in beside the kit's libraries"
if ldd "$prefix/bin/tarnscope-record" | grep -q Qt5Widgets; then
    echo "FAIL: tarnscope-record links Qt Widgets"
    exit 1
fi
(cd "$work" && "$prefix/bin/tarnscope-record" --channels "J1 Actual Cur" --duration 1 \
    --status-seconds 0 --record-to installed-run.csv)
test -s "$work/installed-run.csv"
ls "$prefix/share/tarnscope/systemd/tarnscope-record.service" >/dev/null

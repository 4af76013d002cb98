#!/usr/bin/env bash
# Stock Qt Designer loads the scope plug-ins from the build tree: under Xvfb, with the
# plug-ins' folder on QT_PLUGIN_PATH and a fresh configuration, it opens a form of today's
# Designer (class TarnPlugin_Scope) and an older one (class "scope"). Its plug-in log must
# show both libraries loaded, no load error and no class mismatch for TarnPlugin_Scope.
#
#   check_designer.sh <plug-in> <class plug-in> <forms folder> <sanitizer> <work folder>
#
# Exits 77 (skipped) when Xvfb or Designer is missing, or for a sanitizer build: the stock
# designer binary cannot load a plug-in built with a sanitizer.
set -u

# Designer is ready once it has loaded both plug-ins and created the older form's scope,
# which raises its "class name mismatch" notice window after the newer form.
designer_ready() {
    grep -qF "loaded library \"$2\"" "$1" && grep -qF "loaded library \"$3\"" "$1" &&
        xwininfo -root -tree 2>/dev/null | grep -q '"Designer - warning'
}

# Runs inside xvfb-run: Designer starts, is given 60 s to get ready, and is ended.
inside_xvfb() {
    local log=$1 plugin=$2 class_plugin=$3
    shift 3
    designer "$@" >"$log" 2>&1 &
    local pid=$! tenths=0 status=1
    while kill -0 "$pid" 2>/dev/null && [ "$tenths" -lt 600 ]; do
        if designer_ready "$log" "$plugin" "$class_plugin"; then
            status=0
            break
        fi
        sleep 0.1
        tenths=$((tenths + 1))
    done
    [ "$status" -eq 0 ] || echo "Designer was not ready after $((tenths / 10)) s"
    kill -TERM "$pid" 2>/dev/null
    sleep 1
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return "$status"
}

if [ "${1:-}" = --inside-xvfb ]; then
    shift
    inside_xvfb "$@"
    exit
fi

[ $# -eq 5 ] || { echo "usage: $0 <plug-in> <class plug-in> <forms> <sanitizer> <work>" >&2; exit 2; }
plugin=$1 class_plugin=$2 forms=$3 sanitizer=$4 work=$5

if [ -n "$sanitizer" ]; then
    echo "skipped: stock designer cannot load a plug-in built with -fsanitize=$sanitizer"
    exit 77
fi
for tool in xvfb-run xauth designer xwininfo timeout; do
    command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done

mkdir -p "$work"
log=$work/designer.log
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT

# Designer looks for custom widgets in <each plug-in root>/designer.
env -u QT_QPA_PLATFORM QT_DEBUG_PLUGINS=1 XDG_CONFIG_HOME="$config" \
    QT_PLUGIN_PATH="$(dirname "$(dirname "$plugin")")" \
    timeout -k 10 150 xvfb-run -a -s "-screen 0 1400x900x24" \
    bash "$0" --inside-xvfb "$log" "$plugin" "$class_plugin" \
    "$forms/RobotPanel.ui" "$forms/LegacyRobotPanel.ui"
failed=$?

for library in "$plugin" "$class_plugin"; do
    if grep -F "$(basename "$library")" "$log" | grep -qiE 'cannot|failed|error|undefined'; then
        echo "FAIL: Designer reports a load error for $library"
        failed=1
    fi
done
if grep -q 'registered for widgets of class TarnPlugin_Scope' "$log"; then
    echo "FAIL: Designer notes a class mismatch for TarnPlugin_Scope"
    failed=1
fi
if [ "$failed" -ne 0 ]; then
    tail -n 40 "$log"
    exit 1
fi
echo "OK: Designer loaded $plugin and $class_plugin"

#!/usr/bin/env bash
# Stock Qt Designer loads the scope plug-ins from the build tree. Designer runs under Xvfb with
# the plug-ins' folder on QT_PLUGIN_PATH and a fresh configuration, opening a form saved by
# today's Designer (class TarnPlugin_Scope) and one saved earlier (class "scope"). Its plug-in
# debug log must show both libraries loaded, no load error, and no class mismatch for
# TarnPlugin_Scope. The screenshot of the session is kept for people.
#
#   check_designer.sh <plug-in> <class plug-in> <forms folder> <sanitizer> <work folder>
#
# Exits 77 (skipped) when Xvfb or Designer is missing, or for a sanitizer build: the stock
# designer binary cannot load a plug-in built with a sanitizer.
set -u

readonly SKIP=77
readonly WAIT_TENTHS=600     # 60 s for Designer to load the plug-ins and both forms
readonly EXIT_WAIT_TENTHS=50 # 5 s for Designer to end after SIGTERM

# Designer is ready once it has loaded both plug-ins and has created the older form's scope:
# that creation raises its "class name mismatch" notice window, after the newer form.
designer_ready() {
    local log=$1 plugin=$2 class_plugin=$3
    grep -qF "loaded library \"$plugin\"" "$log" &&
        grep -qF "loaded library \"$class_plugin\"" "$log" &&
        xwininfo -root -tree 2>/dev/null | grep -q '"Designer - warning'
}

# Runs inside xvfb-run: start Designer, wait until it is ready, take the screenshot, end it.
inside_xvfb() {
    local log=$1 screenshot=$2 plugin=$3 class_plugin=$4
    shift 4
    designer "$@" >"$log" 2>&1 &
    local pid=$! tenths=0 status=0
    until designer_ready "$log" "$plugin" "$class_plugin"; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "designer ended before it was ready"
            wait "$pid"
            return 1
        fi
        if [ "$tenths" -ge "$WAIT_TENTHS" ]; then
            echo "Designer not ready after $((WAIT_TENTHS / 10)) s"
            status=1
            break
        fi
        sleep 0.1
        tenths=$((tenths + 1))
    done
    if [ "$status" -eq 0 ]; then
        import -window root "$screenshot" || status=1
    fi
    kill -TERM "$pid" 2>/dev/null
    tenths=0
    while kill -0 "$pid" 2>/dev/null && [ "$tenths" -lt "$EXIT_WAIT_TENTHS" ]; do
        sleep 0.1
        tenths=$((tenths + 1))
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return "$status"
}

if [ "${1:-}" = --inside-xvfb ]; then
    shift
    inside_xvfb "$@"
    exit
fi

if [ $# -ne 5 ]; then
    echo "usage: $0 <plug-in> <class plug-in> <forms folder> <sanitizer> <work folder>" >&2
    exit 2
fi
plugin=$1
class_plugin=$2
forms=$3
sanitizer=$4
work=$5

if [ -n "$sanitizer" ]; then
    echo "skipped: stock designer cannot load a plug-in built with -fsanitize=$sanitizer"
    exit "$SKIP"
fi
for tool in xvfb-run xauth designer xwininfo import timeout; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "skipped: $tool is not installed"
        exit "$SKIP"
    fi
done
if [ ! -f "$plugin" ] || [ "$(basename "$(dirname "$plugin")")" != designer ]; then
    echo "FAIL: $plugin is not a plug-in file in a designer folder"
    exit 1
fi

mkdir -p "$work"
log=$work/designer.log
screenshot=$work/designer.png
rm -f "$log" "$screenshot"
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT

# Designer looks for custom widgets in <each plug-in root>/designer.
env -u QT_QPA_PLATFORM \
    QT_DEBUG_PLUGINS=1 \
    QT_PLUGIN_PATH="$(dirname "$(dirname "$plugin")")" \
    XDG_CONFIG_HOME="$config" \
    timeout -k 10 150 xvfb-run -a -s "-screen 0 1400x900x24" \
    bash "$0" --inside-xvfb "$log" "$screenshot" "$plugin" "$class_plugin" \
    "$forms/RobotPanel.ui" "$forms/LegacyRobotPanel.ui"
status=$?

failed=0
if [ "$status" -ne 0 ]; then
    echo "FAIL: the Designer session ended with status $status"
    failed=1
fi
for library in "$plugin" "$class_plugin"; do
    if grep -F "$(basename "$library")" "$log" | grep -qiE 'cannot|failed|error|undefined'; then
        echo "FAIL: Designer reports a load error for $library:"
        grep -F "$(basename "$library")" "$log" | grep -iE 'cannot|failed|error|undefined'
        failed=1
    fi
done
if grep -q 'registered for widgets of class TarnPlugin_Scope' "$log"; then
    echo "FAIL: Designer notes a class mismatch for TarnPlugin_Scope"
    failed=1
fi
if [ ! -s "$screenshot" ]; then
    echo "FAIL: no screenshot"
    failed=1
fi
# Designer's own remarks on the plug-ins, for the record.
grep '^Designer:' "$log"
if [ "$failed" -ne 0 ]; then
    echo "--- designer.log (last 40 lines) ---"
    tail -n 40 "$log"
    exit 1
fi
echo "OK: Designer loaded $plugin and $class_plugin; screenshot $screenshot"

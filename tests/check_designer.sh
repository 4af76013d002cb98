#!/usr/bin/env bash
# Stock Qt Designer loads the scope plug-in from the build tree. Designer runs under Xvfb with
# the plug-in's folder on QT_PLUGIN_PATH and a fresh configuration, opening a form that holds
# a scope; its plug-in debug log must show our library loaded and no load error. The
# screenshot of the session (the form with the live widget in Designer) is kept for people.
#
#   check_designer.sh <plug-in file> <form> <sanitizer> <work folder>
#
# Exits 77 (skipped) when Xvfb or Designer is missing, or for a sanitizer build: the stock
# designer binary cannot load a plug-in built with a sanitizer.
set -u

readonly SKIP=77
readonly WINDOW_WAIT_TENTHS=300 # 30 s for Designer's window
readonly EXIT_WAIT_TENTHS=50    # 5 s for Designer to end after SIGTERM

# Runs inside xvfb-run: start Designer, wait for its window, take the screenshot, end it.
inside_xvfb() {
    local form=$1 log=$2 screenshot=$3
    designer "$form" >"$log" 2>&1 &
    local pid=$! tenths=0 status=0
    until xwininfo -root -tree 2>/dev/null | grep -q 'Qt Designer'; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "designer ended before showing its window"
            wait "$pid"
            return 1
        fi
        if [ "$tenths" -ge "$WINDOW_WAIT_TENTHS" ]; then
            echo "no Qt Designer window after $((WINDOW_WAIT_TENTHS / 10)) s"
            status=1
            break
        fi
        sleep 0.1
        tenths=$((tenths + 1))
    done
    if [ "$status" -eq 0 ]; then
        sleep 2 # the widget box and the new-form dialog draw after the window maps
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
    inside_xvfb "$2" "$3" "$4"
    exit
fi

if [ $# -ne 4 ]; then
    echo "usage: $0 <plug-in file> <form> <sanitizer> <work folder>" >&2
    exit 2
fi
plugin=$1
form=$2
sanitizer=$3
work=$4

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
    timeout -k 10 120 xvfb-run -a -s "-screen 0 1400x900x24" \
    bash "$0" --inside-xvfb "$form" "$log" "$screenshot"
status=$?

failed=0
if [ "$status" -ne 0 ]; then
    echo "FAIL: the Designer session ended with status $status"
    failed=1
fi
if ! grep -qF "loaded library \"$plugin\"" "$log"; then
    echo "FAIL: Designer's log does not show $plugin loaded"
    failed=1
fi
if grep -F "$(basename "$plugin")" "$log" | grep -qiE 'cannot|failed|error|undefined'; then
    echo "FAIL: Designer reports a load error for the plug-in:"
    grep -F "$(basename "$plugin")" "$log" | grep -iE 'cannot|failed|error|undefined'
    failed=1
fi
if [ ! -s "$screenshot" ]; then
    echo "FAIL: no screenshot"
    failed=1
fi
# Designer's own remarks on the plug-in, for the record.
grep '^Designer:' "$log"
if [ "$failed" -ne 0 ]; then
    echo "--- designer.log (last 40 lines) ---"
    tail -n 40 "$log"
    exit 1
fi
echo "OK: Designer loaded $plugin; screenshot $screenshot"

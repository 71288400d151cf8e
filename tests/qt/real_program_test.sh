#!/usr/bin/env bash
# The real program on a real X server (Xvfb) against the meter simulator, driven by xdotool as
# a person types. Usage: real_program_test.sh VEMTORA SIMULATOR keys|logging|comma-locale|device|failed-start
set -euo pipefail

app_bin=$1 sim_bin=$2 mode=$3
skip() { echo "SKIPPED: $*"; exit 77; }

if [ -z "${VEMTORA_UNDER_XVFB:-}" ]; then
    for tool in xvfb-run xdotool setxkbmap; do command -v "$tool" >/dev/null || skip "$tool is not installed"; done
    VEMTORA_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

work=$(mktemp -d)
app_pid="" sim_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# wait_for SECONDS COMMAND...: runs COMMAND until it succeeds, at most SECONDS long.
wait_for() {
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
visible() { [ -n "$(window_named "$1")" ]; }
hidden() { [ -z "$(window_named "$1")" ]; }

about='^バージョン情報 Vemtora$'

start_simulator() {
    "$sim_bin" --link "$work/${1:-COM5}" --voltage 1000 --current 200 --divisor 10 >"$work/simulator.out" &
    sim_pid=$!
    wait_for 10 test -e "$work/${1:-COM5}" || fail "the simulator made no ${1:-COM5} link"
}

start_program() {
    QT_QPA_PLATFORM=xcb "$app_bin" "--device-folder=$work" "$@" 2>"$work/stderr" &
    app_pid=$!
    wait_for 20 visible '^Vemtora$' || fail "no main window"
    main_window=$(window_named '^Vemtora$')
}

focus_main() { xdotool windowfocus --sync "$main_window"; }

# Expects the program to end by itself with exit code 0.
expect_clean_exit() {
    wait_for 20 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "the program did not end"
    local code=0
    wait "$app_pid" || code=$?
    app_pid=""
    [ "$code" -eq 0 ] || fail "exit code $code"
}

# The Alt accelerators as they are typed on each layout; the last row must not open the box.
check_keys() {
    start_program
    local rows=(
        "us alt+shift+slash yes"   # Alt+?  on a US keyboard
        "us alt+slash yes"         # Alt+/
        "de alt+shift+ssharp yes"  # Alt+?  on a German keyboard: Shift+ß
        "de alt+shift+7 yes"       # Alt+/  : Shift+7
        "us alt+shift+7 no"        # Alt+&
        "de alt+7 no"              # Alt+7
    )
    local layout keys expected
    for row in "${rows[@]}"; do
        read -r layout keys expected <<<"$row"
        setxkbmap "$layout"
        focus_main
        xdotool key --clearmodifiers "$keys"
        if [ "$expected" = yes ]; then
            wait_for 5 visible "$about" || fail "$layout $keys did not open the About box"
            xdotool windowfocus --sync "$(window_named "$about")"
            xdotool key Escape
            wait_for 5 hidden "$about" || fail "Escape did not close the About box"
        else
            ! wait_for 1 visible "$about" || fail "$layout $keys opened the About box"
        fi
        echo "ok: $layout $keys"
    done
    setxkbmap us
    # The save dialog has no owner, so the main window's Exit still works and takes it along.
    focus_main
    xdotool key alt+f Right Return  # File > Log File > Save
    wait_for 10 visible '^Save As$' || fail "no save dialog"
    focus_main
    xdotool key alt+f x             # File > Exit by its access key
    expect_clean_exit
    echo "ok: Exit by Alt+F, X while the save dialog is open"
}

line_count() { [ -f "$1" ] && wc -l <"$1" || echo 0; }

# Collect and log through the menus and the save dialog, then end with SIGTERM as a session
# logout would; every line must be whole and carry the simulator's 64.6 V.
# Usage: check_logging LINK-NAME [PROGRAM ARGUMENTS...]
check_logging() {
    start_simulator "$1"
    shift
    start_program "$@"
    local log="$work/meter.log"
    focus_main
    xdotool key alt+f Down Right Return  # Data Collect > Start
    focus_main
    xdotool key alt+f Right Return       # File > Log File > Save
    wait_for 10 visible '^Save As$' || fail "no save dialog"
    xdotool windowfocus --sync "$(window_named '^Save As$')"
    xdotool type --delay 2 "$log"
    # The name field's completer may pop up late and take a Return for itself, as it would a
    # person's: press again, as a person would, until the dialog has taken the name.
    for _ in 1 2 3; do
        xdotool key Return
        wait_for 3 hidden '^Save As$' && break
    done
    hidden '^Save As$' || fail "the save dialog did not take the name"
    wait_for 10 bash -c "[ -f '$log' ] && [ \$(wc -l <'$log') -ge 3 ]" || fail "fewer than 3 log lines"
    kill -TERM "$app_pid"
    expect_clean_exit
    local lines
    lines=$(line_count "$log")
    [ "$(tail -c 1 "$log" | od -An -c | tr -d ' ')" = '\n' ] || fail "the log ends inside a line"
    local bad
    bad=$(grep -cvP '^\d\d:\d\d:\d\d\.\d\t64\.6\t1\.94\t125\.3$' "$log" || true)
    [ "$bad" -eq 0 ] || { cat "$log"; fail "$bad malformed lines"; }
    echo "ok: $lines whole log lines, exit code 0"
}

# Start on a device that is not there: a message beside the window and on standard error names
# the device and the reason, and the window goes on.
check_failed_start() {
    start_program --device "$work/ttyUSB9"
    focus_main
    xdotool key alt+f Down Right Return  # Data Collect > Start
    wait_for 10 bash -c "[ \$(xdotool search --onlyvisible --name '^Vemtora$' | wc -l) -ge 2 ]" ||
        fail "no message after a failed Start"
    local said="vemtora: cannot open $work/ttyUSB9: No such file or directory (is the adapter plugged in, and is this its name?)"
    grep -qxF "$said" "$work/stderr" || { cat "$work/stderr"; fail "standard error does not say why"; }
    kill -TERM "$app_pid"
    expect_clean_exit
    echo "ok: a failed Start is said in the window and on standard error"
}

case "$mode" in
    keys) check_keys ;;
    logging) check_logging COM5 ;;
    # A USB adapter by its path, not a COM name; the arguments the window does not take are said.
    device)
        check_logging ttyUSB-meter --device "$work/ttyUSB-meter" 4 0.5
        grep -qxF "vemtora: '0.5' has no current scale after it: give both scale factors or none; using the default scales 0.646 and 0.097" \
            "$work/stderr" || { cat "$work/stderr"; fail "standard error does not say which value was not taken"; }
        echo "ok: the value not taken is said" ;;
    failed-start) check_failed_start ;;
    comma-locale)
        locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' || skip "no de_DE.UTF-8 locale"
        # Read with a decimal comma, 0,5 would make 50.0 V; the classic reading leaves the defaults.
        export LC_ALL=de_DE.UTF-8
        check_logging COM5 4 0,5 0,5 ;;
    *) fail "unknown mode $mode" ;;
esac

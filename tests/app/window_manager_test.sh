#!/usr/bin/env bash
# The program under a real window manager: Xvfb with openbox, driven with xdotool and wmctrl as a
# person would. Five start-to-exit cycles of the main window and the result window, with moves,
# a resize, maximising and minimising; the frame the window manager reports must be the frame the
# settings store holds, every time (no creep). Then a find followed by typing, and the help window.
# Last, placements stored on a larger screen come back wholly on a smaller one.
#   window_manager_test.sh <program>
# No pipefail: "grep -q" may end a pipe before its writer does.
set -eu

PROGRAM="$(realpath "$1")"
WORK="$(mktemp -d)"
STORE="$WORK/config/VEMRA/settings.sqlite3"
WAIT=60 # seconds for any one window to come or go; generous for the sanitizer build
FAILURES=0
PIDS=()

cleanup() {
    for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
        kill "${PIDS[i]}" 2>/dev/null || true
        wait "${PIDS[i]}" 2>/dev/null || true
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    FAILURES=$((FAILURES + 1))
}
die() {
    echo "FAIL: $*" >&2
    [ -f "$WORK/program.log" ] && sed 's/^/  program: /' "$WORK/program.log" >&2
    exit 1
}
expect_eq() { # what, expected, actual
    if [ "$2" == "$3" ]; then echo "ok: $1: $3"; else fail "$1: expected '$2', got '$3'"; fi
}

for tool in Xvfb openbox xdotool wmctrl xprop xwininfo sqlite3; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/setup.sh installs it)"
done

# ---- the display: Xvfb picks a free display number itself, so parallel tests never clash
start_display() { # [screen, 1280x1024x24 when not given]
    local displayfd attempt
    for attempt in 1 2 3; do
        rm -f "$WORK/display"
        exec {displayfd}>"$WORK/display"
        Xvfb -screen 0 "${1:-1280x1024x24}" -nolisten tcp -displayfd "$displayfd" >"$WORK/xvfb.log" 2>&1 &
        PIDS+=($!)
        XVFB_PID=$!
        exec {displayfd}>&-
        for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
        export DISPLAY=":$(head -1 "$WORK/display")"
        for _ in $(seq 100); do
            xprop -root >/dev/null 2>&1 && return 0
            sleep 0.1
        done
        echo "Xvfb attempt $attempt did not answer: $(cat "$WORK/xvfb.log")" >&2
        kill "${PIDS[-1]}" 2>/dev/null || true
    done
    die "Xvfb did not start"
}
start_display
unset SESSION_MANAGER XAUTHORITY

mkdir -p "$WORK/home" "$WORK/config" "$WORK/data" "$WORK/runtime" "$WORK/openbox"
chmod 700 "$WORK/runtime"
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" XDG_RUNTIME_DIR="$WORK/runtime"
export ODBCINI="$WORK/odbc.ini" QT_QPA_PLATFORM=xcb
touch "$ODBCINI"

# On a loaded machine openbox has been seen failing to open a display that already answers:
# it gets a few tries before the test gives up.
start_openbox() {
    local attempt
    for attempt in 1 2 3; do
        openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
        PIDS+=($!)
        OPENBOX_PID=$!
        for _ in $(seq 100); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
            kill -0 "${PIDS[-1]}" 2>/dev/null || break
            sleep 0.1
        done
        echo "openbox attempt $attempt: $(cat "$WORK/openbox.log")" >&2
        kill "${PIDS[-1]}" 2>/dev/null || true
        sleep 1
    done
    die "openbox did not start: $(cat "$WORK/openbox.log")"
}
start_openbox

# ---- helpers

# find_window <title>: the id of the visible window with exactly this title, waiting for it
find_window() {
    local id
    id="$(timeout "$WAIT" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -1)"
    [ -n "$id" ] || die "no window '$1' within $WAIT s"
    echo "$id"
}

# until_true <what> <command...>: polls the command until it succeeds
until_true() {
    local what="$1"
    shift
    for _ in $(seq $((WAIT * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    die "$what: not within $WAIT s"
}

# frame <window>: "left top width height" of the window's frame, as the window manager reports it
frame() {
    local info extents left right top bottom x y w h
    info="$(xwininfo -id "$1")"
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    w=$(awk '/^  Width/ {print $2}' <<<"$info")
    h=$(awk '/^  Height/ {print $2}' <<<"$info")
    extents="$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')"
    IFS=, read -r left right top bottom <<<"${extents:-0,0,0,0}"
    echo "$((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom))"
}

# settled_frame <window>: the frame once it stops changing (the window manager works in steps)
settled_frame() {
    local last="" now
    for _ in $(seq $((WAIT * 10))); do
        now="$(frame "$1")"
        [ "$now" == "$last" ] && { echo "$now"; return; }
        last="$now"
        sleep 0.2
    done
    echo "$last"
}

stored() { # section key
    sqlite3 "$STORE" "select value from entries where section_fold = lower('$1') and key_fold = lower('$2')"
}
stored_frame() { echo "$(stored "$1" LEFT) $(stored "$1" TOP) $(stored "$1" WIDTH) $(stored "$1" HEIGHT)"; }

is_maximized() { xprop -id "$1" _NET_WM_STATE | grep -q '_NET_WM_STATE_MAXIMIZED_VERT'; }
is_not_maximized() { ! is_maximized "$1"; }
is_hidden() { xprop -id "$1" _NET_WM_STATE | grep -q '_NET_WM_STATE_HIDDEN'; }
is_shown() { ! is_hidden "$1" && xwininfo -id "$1" | grep -q 'IsViewable'; }
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" == "$1" ]; }
program_ended() { ! kill -0 "$PROGRAM_PID" 2>/dev/null; }

start_and_log_in() {
    # The text typed in one run would come back in the next: each run here starts with an empty editor.
    rm -rf "$XDG_DATA_HOME/VEMRA/editor-recovery" "$XDG_DATA_HOME/VEMRA/editor-recovery.sql"
    "$PROGRAM" >>"$WORK/program.log" 2>&1 &
    PROGRAM_PID=$!
    PIDS+=("$PROGRAM_PID")
    local login attempt
    login="$(find_window 'Login Screen')"
    for attempt in 1 2 3; do
        xdotool windowactivate --sync "$login"
        # A click on the user name field: keys sent before the program has taken the focus are lost.
        xdotool mousemove --window "$login" 200 57 click 1
        sleep 0.2
        if [ "$attempt" == 1 ] && [ -z "$(stored LOGIN DATASOURCE 2>/dev/null)" ]; then
            # First run: from the user name up to the data source list, pick Sample, name a user.
            xdotool key shift+Tab
            xdotool type Sample
            xdotool key Tab
            xdotool type tester
        fi
        xdotool key Return
        # The main window comes; while the login stays up for 10 s, the keys went astray.
        for tick in $(seq $((WAIT * 10))); do
            MAIN="$(xdotool search --onlyvisible --name "^Tovak's Query Tool\$" 2>/dev/null | head -1)"
            [ -n "$MAIN" ] && return 0
            if ((tick > 100)) && is_shown "$login"; then
                echo "log-in attempt $attempt: the login dialog is still up" >&2
                break
            fi
            sleep 0.1
        done
    done
    die "no main window after logging in"
}

exit_program() {
    wmctrl -i -c "$MAIN" # the title bar's close button
    xdotool windowactivate --sync "$(find_window VEMRA)" # "Quit Application ?"
    xdotool key Return
    until_true "the program ends after Yes" program_ended
    wait "$PROGRAM_PID" || die "the program failed at exit: $(cat "$WORK/program.log")"
}

run_query() {
    xdotool windowactivate --sync "$MAIN"
    xdotool key ctrl+End
    xdotool type 'select * from EMP'
    # The "Execute SQL" button: first row, third column of the tool bar, below the menu bar.
    local menu_height=24
    xdotool mousemove --window "$MAIN" 317 $((menu_height + 20)) click 1
    RESULT="$(find_window 'Query Results')"
}

close_result() {
    wmctrl -i -c "$RESULT"
    until_true "the result window closes" bash -c "! xwininfo -id $RESULT 2>/dev/null | grep -q IsViewable"
}

# ---- the placements over five cycles

# opens_as_stored <name> <window> <section>: the window shows the stored placement; one stored
# maximised opens maximised and restores to the stored normal frame
opens_as_stored() {
    if [ "$(stored "$3" MAXIMIZED)" == 1 ]; then
        until_true "$1 opens maximised" is_maximized "$2"
        wmctrl -i -r "$2" -b remove,maximized_vert,maximized_horz
        until_true "$1 restores" is_not_maximized "$2"
        expect_eq "$1 restored from maximised, cycle $cycle" "$(stored_frame "$3")" "$(settled_frame "$2")"
    else
        expect_eq "$1 as stored, cycle $cycle" "$(stored_frame "$3")" "$(settled_frame "$2")"
    fi
}

maximize() {
    NORMAL_BEFORE_MAXIMIZED="$(settled_frame "$1")"
    wmctrl -i -r "$1" -b add,maximized_vert,maximized_horz
    until_true "window $1 maximises" is_maximized "$1"
}

# leave <name> <window> <section> <closing command>: closes the window and checks that the store
# holds where it was left: its normal frame, and whether it was maximised
leave() {
    local left maximized=0
    left="$(settled_frame "$2")"
    if is_maximized "$2"; then
        maximized=1
        left="$NORMAL_BEFORE_MAXIMIZED"
    fi
    "$4"
    expect_eq "$1 stored maximised flag, cycle $cycle" "$maximized" "$(stored "$3" MAXIMIZED)"
    expect_eq "$1 stored as left, cycle $cycle" "$left" "$(stored_frame "$3")"
}

minimize_and_restore() { # <window to minimise> <window to restore> <window in front after>
    xdotool windowminimize "$1"
    until_true "minimising $1 takes $2 down too" is_hidden "$2"
    wmctrl -i -a "$2"
    until_true "restoring $2 brings $1 back" is_shown "$1"
    until_true "$2 is shown" is_shown "$2"
    until_true "$3 is in front" is_active "$3"
}

[ ! -f "$STORE" ] || die "the store exists before the first start"
for cycle in 1 2 3 4 5; do
    echo "== cycle $cycle"
    start_and_log_in
    if [ "$cycle" == 1 ]; then
        # A fresh store: the default top 0, left 0 and 640 x 480 are honoured.
        expect_eq "main window's first frame" "0 0 640 480" "$(settled_frame "$MAIN")"
    else
        opens_as_stored "main window" "$MAIN" LOCATION
    fi

    run_query
    if [ "$cycle" == 1 ]; then
        main_corner="$(settled_frame "$MAIN" | cut -d' ' -f1-2)"
        expect_eq "result window opens at the main window's corner" "$main_corner 640 480" "$(settled_frame "$RESULT")"
    else
        opens_as_stored "result window" "$RESULT" GRID
    fi
    case "$cycle" in
    1)
        xdotool windowmove "$RESULT" 300 200
        xdotool windowsize "$RESULT" 700 500
        ;;
    2) maximize "$RESULT" ;;
    4)
        # Minimised as a whole from either window, restored from the main window alone: the
        # modal result window comes back too, in front.
        minimize_and_restore "$MAIN" "$MAIN" "$RESULT"
        minimize_and_restore "$RESULT" "$MAIN" "$RESULT"
        ;;
    esac
    leave "result window" "$RESULT" GRID close_result

    case "$cycle" in
    1)
        xdotool windowmove "$MAIN" 137 93
        xdotool windowsize "$MAIN" 720 540
        ;;
    3) maximize "$MAIN" ;;
    5) minimize_and_restore "$MAIN" "$MAIN" "$MAIN" ;;
    esac
    leave "main window" "$MAIN" LOCATION exit_program
    if [ "$cycle" == 1 ]; then
        first_main="$(stored_frame LOCATION)"
        first_result="$(stored_frame GRID)"
    fi
    echo "stored after cycle $cycle: main $(stored_frame LOCATION), result $(stored_frame GRID)"
done
# Moved once, then maximised, restored, minimised: five cycles later nothing crept.
expect_eq "main window after five cycles" "$first_main" "$(stored_frame LOCATION)"
expect_eq "result window after five cycles" "$first_result" "$(stored_frame GRID)"

# ---- Return in Find finds the next; the editor has the keyboard once the dialog closes

echo "== find, then type"
start_and_log_in
xdotool windowactivate --sync "$MAIN"
xdotool type 'select a from t where a = 1 where'
xdotool key ctrl+f
find_dialog="$(find_window Find)"
xdotool windowactivate --sync "$find_dialog"
xdotool key ctrl+a
xdotool type 'where'
xdotool key Return
xdotool key Return
until_true "the find dialog keeps the keyboard after two finds" is_active "$find_dialog"
xdotool key Escape
until_true "the editor's window is active after the dialog closed" is_active "$MAIN"
# A key no menu takes types nothing.
xdotool key alt+x
xdotool type 'WHERE'
saved="$WORK/typed.sql"
xdotool key ctrl+s
xdotool windowactivate --sync "$(find_window 'Save SQL File')"
xdotool key ctrl+a
xdotool type "$saved"
xdotool key Return
until_true "the editor's text is saved" test -s "$saved"
expect_eq "the text typed after the finds replaced the second hit" "select a from t where a = 1 WHERE" "$(tr -d '\r\n' <"$saved")"

# ---- the help window opens wholly on the screen
xdotool windowactivate --sync "$MAIN"
xdotool key F1
read -r hx hy hw hh <<<"$(settled_frame "$(find_window 'VEMRA Help')")"
if ((hx >= 0 && hy >= 0 && hx + hw <= 1280 && hy + hh <= 1024)); then
    echo "ok: help window inside the screen: $hx $hy $hw $hh"
else
    fail "help window leaves the screen: $hx $hy $hw $hh"
fi
exit_program

# ---- placements stored on a 1600x1200 screen, restored on 800x600: wholly on the screen
kill "$OPENBOX_PID" "$XVFB_PID" 2>/dev/null || true
wait "$OPENBOX_PID" "$XVFB_PID" 2>/dev/null || true
start_display 800x600x24
start_openbox
sqlite3 "$STORE" "UPDATE entries SET value = CASE key_fold WHEN 'left' THEN '900' WHEN 'top' THEN '700'
    WHEN 'width' THEN '1500' WHEN 'height' THEN '1100' ELSE '0' END
    WHERE section_fold IN ('location', 'grid') AND key_fold IN ('left', 'top', 'width', 'height', 'maximized')"
inside_small_screen() { # what, frame
    local x y w h
    read -r x y w h <<<"$2"
    if ((x >= 0 && y >= 0 && x + w <= 800 && y + h <= 600)); then
        echo "ok: $1 inside the 800x600 screen: $2"
    else
        fail "$1 leaves the 800x600 screen: $2"
    fi
}
start_and_log_in
inside_small_screen "main window" "$(settled_frame "$MAIN")"
run_query
# The result window is modal: its Close and Print must be on the screen to leave it.
inside_small_screen "result window" "$(settled_frame "$RESULT")"
close_result
exit_program

[ "$FAILURES" == 0 ] || { echo "$FAILURES failure(s)" >&2; exit 1; }
echo "all passed"

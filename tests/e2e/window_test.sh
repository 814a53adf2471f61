#!/usr/bin/env bash
# Drives the real window under Xvfb with xdotool, as a user would, and checks its wiring: each button runs its
# command, the status field shows what the command reported (read back through the clipboard, a Cyrillic one
# among them, against the command's line in "Kelvara.log"), and EXIT, Return and Escape end the program. What
# the commands do is checked by the suites. Saves a screenshot.
# Usage: window_test.sh [--wine] KELVARA DATA_DIR SCREENSHOT_PNG
#   --wine: KELVARA is Kelvara.exe, run under Wine (WINEPREFIX set, no wineserver left from a headless run)
set -euo pipefail

# The status field's text is copied out as a user would: select all of it and copy it to the clipboard. In the
# Win32 dialog, tabbing into a field selects its text (the number field is followed by four tab stops).
launcher=() separator=/ copyStatus=(STATUS ctrl+Home ctrl+shift+End ctrl+c)
if [ "${1:-}" = --wine ]; then
    # With an English locale Wine's ANSI code page is 1252, which holds no Cyrillic: the names, the UTF-8
    # playlist, the log and the window's texts must all get by without it.
    shift && launcher=(env LC_ALL=en_US.UTF-8 wine) separator='\' copyStatus=(NUMBER Tab Tab Tab Tab ctrl+c)
fi
# The program starts in its own working folder: every path is made absolute first.
kelvara=$(realpath "$1") data=$(realpath "$2") screenshot=$(realpath "$3")
here=$(realpath "$(dirname "$0")")

work=$(mktemp -d "$(dirname "$screenshot")/window-test.XXXXXX")
xvfbPid='' kelvaraPid='' passed=''
# Each pid unquoted: an empty one is no argument.
trap 'set +e; kill $kelvaraPid $xvfbPid 2>/dev/null; wait; [ -z "$passed" ] || rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
# fail TEXT: the log and the program's output, each under its name, and the working folder is kept.
fail() { echo "FAIL: $*"; tail -n +1 "$work/Kelvara.log" "$work/kelvara.out"; echo "(kept: $work)"; exit 1; } >&2
# The log's lines, whatever the line ends.
logText() { tr -d '\r' <"$work/Kelvara.log"; }
# waitFor SECONDS COMMAND...: polls COMMAND every 0.1 s until it succeeds or (at least) the time is up.
waitFor() { local end=$((SECONDS + $1 + 1)); until "${@:2}"; do ((SECONDS < end)) && sleep 0.1 || return 1; done; }

# A playlist of two songs beside it; the out folder does not exist yet.
mkdir "$work/music"
songs=(v23-cp1251.mp3 Пчела.mp3)
for song in "${songs[@]}"; do cp "$data/$song" "$work/music/"; done
printf '#EXTM3U\n%s\n' "${songs[@]}" >"$work/music/car.m3u"
printf 'out\nmusic%scar.m3u\n' "$separator" >"$work/Kelvara.ini"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.out" 2>&1 & xvfbPid=$!
waitFor 10 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"

# A program that ended before showing its window fails the test at once.
findWindow() {
    exited && fail "the program ended before its window appeared"
    win=$(xdotool search --onlyvisible --name '^Kelvara$' 2>/dev/null | head -n 1) && [ -n "$win" ]
}
exited() { ! kill -0 "$kelvaraPid" 2>/dev/null; }
# Under the sanitizers, fontconfig's caches are the only leaks forgiven.
launch() {
    (cd "$work" && NO_AT_BRIDGE=1 GDK_BACKEND=x11 LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0" \
        exec "${launcher[@]}" "$kelvara") >>"$work/kelvara.out" 2>&1 & kelvaraPid=$!
    waitFor 30 findWindow || fail "no window appeared"
    timeout 10 xdotool windowfocus --sync "$win" || fail "the window took no focus"
    eval "$(xdotool getwindowgeometry --shell "$win")" # WIDTH and HEIGHT of the client area
}
expectExit() {
    waitFor 10 exited || fail "the program did not end ($1)"
    wait "$kelvaraPid" || fail "exit status $? ($1)" && kelvaraPid=''
}

# Controls are found where the template puts them: dialog units scaled by the client area's 358 x 86.
pixelX() { echo $(($1 * WIDTH / 358)); }
pixelY() { echo $(($1 * HEIGHT / 86)); }
declare -A at=([NUMBER]="177 20" [STATUS]="100 45" [COPY]="247 21" [DELETE]="318 21" [EDIT]="182 69"
              [RESET]="52 69" [EXIT]="308 69")
click() { set -- ${at[$1]} && xdotool mousemove --window "$win" "$(pixelX "$1")" "$(pixelY "$2")" click 1; }
statusText() {
    click "${copyStatus[0]}" && xdotool key --delay 50 "${copyStatus[@]:1}" && sleep 0.3
    xclip -o -selection clipboard 2>/dev/null | tr -d '\r'
}
# Commands disable EXIT while they run. Its label is dark when it is enabled, grey when it is disabled, and
# missing before the button is drawn; the middle of the button holds the label and no focus frame.
idle() {
    import -window "$win" -crop "$(pixelX 46)x$(pixelY 6)+$(pixelX 285)+$(pixelY 66)" png:- |
        convert - -colorspace Gray -format '%[fx:minima < 0.35]' info: | grep -qx 1
}
statusIs() { [ "$(statusText)" = "$1" ]; }
lastLogLineIs() { [ "$(logText | tail -n 1)" = "$1" ]; }

launch
waitFor 10 idle || fail "EXIT was never drawn"
# The focus starts on EXIT, so one Tab reaches the number field; the letter is refused there, and the number
# names its song before anything is done with it.
xdotool key Tab && xdotool type --delay 20 'a1'
waitFor 5 statusIs "1: v23-cp1251.mp3" || fail "no preview of entry 1: '$(statusText)'"
# Each step: the number typed first (none for the first step and those without), the button, and the last log line
# it must add.
# The status shows what the command reported: its one log line or, for EDIT ID3's, one of its lines.
while IFS='|' read -u 4 -r number button logLine; do
    logged=$(logText | wc -l)
    click NUMBER && xdotool type --delay 20 "$number" && click "$button"
    waitFor 10 lastLogLineIs "$logLine" || fail "$button $number logged '$(logText | tail -n 1)'"
    waitFor 10 idle || fail "the window stayed busy after $button $number"
    status=$(statusText)
    grep -Fx -- "$status" <<<"$(logText | tail -n +$((logged + 1)))" >/dev/null ||
        fail "status after $button $number: '$status'"
    [ "$number$button" != 2COPY ] || import -window "$win" "$screenshot" # a Cyrillic status, as it reads
done 4<<'EOF_STEPS'
|COPY|FILE (1) COPIED:v23-cp1251.mp3
2|COPY|FILE (2) COPIED:Пчела.mp3
2|DELETE|FILE (2) DELETED:Пчела.mp3
|EDIT|EDIT ID3's: 1 files found, 1 converted, 0 already converted, 0 failed
|RESET|OUT DIR:out
EOF_STEPS
click EXIT
expectExit EXIT

# Enter in the number field presses EXIT, the default button, and runs no command; nor does Escape, which ends the
# program too.
for key in Return Escape; do
    launch && click NUMBER && xdotool type --delay 20 '1' && xdotool key "$key"
    expectExit "$key"
    [ ! -s "$work/Kelvara.log" ] || fail "$key ran a command"
done
passed=1
echo "window test passed; screenshot: $screenshot"

#!/usr/bin/env bash
# kelvara-cli.exe under Wine with the ANSI code pages 1252 and 1251: the Windows file layer and the console on
# names in Cyrillic, Ukrainian, Greek and accented Latin letters, on playlists in UTF-8 and Windows-1251, and on
# an out folder past 260 characters. A tagless song gets its name as title: the name came through whole.
# Output and log are UTF-8. What the commands do otherwise is checked by the suites.
# Usage: windows_cli_test.sh KELVARA_CLI_EXE DATA_DIR   (WINEPREFIX set and initialised)
set -euo pipefail

# The program runs in its own working folder: every path is made absolute first.
cli=$(realpath "$1") data=$(realpath "$2") tagDump=$(realpath "$(dirname "$0")/tag_dump.py")
work=$(mktemp -d /tmp/kelvara-cli-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" && echo "--- Kelvara.log:" && cat "$work/Kelvara.log"; exit 1; } >&2
run() { (cd "$work" && wine "$cli" "$@") | tr -d '\r'; }
logText() { tr -d '\r' <"$work/Kelvara.log"; }
# configure OUT PLAYLIST: Kelvara.ini names the out folder and music\PLAYLIST.
configure() { printf '%s\r\nmusic\\%s\r\n' "$1" "$2" >"$work/Kelvara.ini"; }
# expectTitle FILE TITLE (printf escapes) WHEN: a tagless song converted, its title made from its name.
expectTitle() {
    [ "$("$tagDump" "$work/$1")" = "$(printf "tag: ID3v2.3 TIT2 TPE1\ntitle: $2\nartist: ")" ] ||
        fail "$3, $1: $("$tagDump" "$work/$1")"
}
# name | the title made from it: the name in plain Latin
songs='Пчела.mp3|PCHELA.mp3
Їжак.mp3|YIZHAK.mp3
Ωμέγα.mp3|OMEGA.mp3
Café Noël.mp3|Cafe Noel.mp3'
deep=out\\$(printf 'a%.0s' {1..90})\\$(printf 'b%.0s' {1..90})\\$(printf 'c%.0s' {1..90})

# Wine takes its ANSI code page from the locale: 1252 for English, 1251 for Russian. The names, a UTF-8
# playlist and the long path work under both.
for locale in en_US.UTF-8 ru_RU.UTF-8; do
    export LC_ALL=$locale
    rm -rf "${work:?}"/*
    mkdir -p "$work/music" "$work/${deep//\\//}"
    printf '#EXTM3U\r\n' >"$work/music/list.m3u8"
    while IFS='|' read -r name _; do cp "$data/no-tag.mp3" "$work/music/$name" && printf '%s\r\n' "$name"; done \
        <<<"$songs" >>"$work/music/list.m3u8"
    configure out list.m3u8
    output=$(run copy 1 copy 2 copy 3 copy 4 convert) || fail "kelvara-cli.exe failed ($locale)"
    [ "$(sed -n 2p <<<"$output")" = "OUT DIR:out" ] || fail "start-up status: $output"
    grep -qx "FILE (3) COPIED:Ωμέγα.mp3" <<<"$output" || fail "UTF-8 output ($locale): $output"
    logText | grep -qx "FILE (2) COPIED:Їжак.mp3" || fail "UTF-8 log ($locale)"
    logText | grep -q '^ID3 EDITED - out\\' || fail "Windows paths in the log ($locale)"
    while IFS='|' read -r name title; do expectTitle "out/$name" "$title" "$locale"; done <<<"$songs"

    configure "$deep" list.m3u8
    run copy 1 convert >/dev/null || fail "long path ($locale)"
    expectTitle "${deep//\\//}/Пчела.mp3" 'PCHELA.mp3' "long path ($locale)"
done
echo "kelvara-cli.exe under Wine, code pages 1252 and 1251: names in four scripts and a long path"

# Under 1251 (the locale the loop left) a Windows-1251 playlist, as saved on a Russian Windows. UTF-16 ones are
# read alike on every system: the suites show it.
configure out list.m3u
printf '#EXTM3U\r\nПчела.mp3\r\nЇжак.mp3\r\n' | iconv -f UTF-8 -t CP1251 >"$work/music/list.m3u"
rm -f "$work/out/"*.mp3
output=$(run show 2 copy 1 copy 2)
grep -qx "2: Їжак.mp3" <<<"$output" || fail "CP1251 entry shown: $output"
[ -f "$work/out/Пчела.mp3" ] && [ -f "$work/out/Їжак.mp3" ] || fail "CP1251 entries not copied: $output"

# A link to a song outside the out folder: Wine may show it as a reparse point or as the song itself; either
# way the song outside stays byte-identical.
mkdir "$work/lib" && cp "$data/v23-cp1251.mp3" "$work/lib/outside.mp3"
ln -s ../lib/outside.mp3 "$work/out/link.mp3"
run convert >/dev/null || fail "conversion beside a link"
cmp -s "$work/lib/outside.mp3" "$data/v23-cp1251.mp3" || fail "a song outside the out folder was changed"
echo "kelvara-cli.exe under Wine: a Windows-1251 playlist read, a link's song kept"

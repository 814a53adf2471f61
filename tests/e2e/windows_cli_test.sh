#!/usr/bin/env bash
# kelvara-cli.exe under Wine with the ANSI code pages 1252 and 1251, on files named in Cyrillic, Ukrainian, Greek
# and accented Latin letters: a tagless file gets its name as title on the first run and has it transliterated on
# the second. Its output and its log are UTF-8.
# Usage: windows_cli_test.sh KELVARA_CLI_EXE TAG_DUMP DATA_DIR   (WINEPREFIX set and initialised)
set -euo pipefail

# The program runs in its own working folder: every path is made absolute first.
cli=$(realpath "$1") tagDump=$(realpath "$2") data=$(realpath "$3")
work=$(mktemp -d /tmp/kelvara-cli-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    echo "--- Kelvara.log:" >&2 && cat "$work/Kelvara.log" >&2 || true
    exit 1
}

run() { (cd "$work" && wine "$cli" "$@") | tr -d '\r'; }
tagOf() { "$tagDump" "$work/$1"; }
expectTag() { # FILE TITLE (printf escapes) WHEN
    [ "$(tagOf "$1")" = "$(printf "tag: ID3v2.3 TIT2 TPE1\ntitle: $2\nartist: ${4:-}")" ] || fail "$3, $1: $(tagOf "$1")"
}
# name | title from the name (Windows-1251) | after the second run | the source
songs='Пчела.mp3|\xCF\xF7\xE5\xEB\xE0.mp3|PCHELA.mp3|Пчела.mp3
Їжак.mp3|\xAF\xE6\xE0\xEA.mp3|\xAFZHAK.mp3|no-tag.mp3
Ωμέγα.mp3|?????.mp3|?????.mp3|no-tag.mp3
Café Noël.mp3|Cafe Noel.mp3|Cafe Noel.mp3|no-tag.mp3'

# Wine takes its ANSI code page from the locale: 1252 for English, 1251 for Russian. Names and a UTF-8
# playlist work under both; a Windows-1251 playlist, as saved on a Russian Windows, under 1251.
for locale in en_US.UTF-8 ru_RU.UTF-8; do
    export LC_ALL=$locale
    rm -rf "${work:?}"/*
    mkdir "$work/music"
    cp "$data/v23-cp1251.mp3" "$work/music/Шмель.mp3"
    entries=Шмель.mp3
    while IFS='|' read -r name _ _ source; do
        cp "$data/$source" "$work/music/$name"
        entries+=$'\r\n'$name
    done <<<"$songs"
    printf '#EXTM3U\r\n%s\r\n' "$entries" >"$work/music/list.m3u8"
    printf 'out\r\nmusic\\list.m3u8\r\n' >"$work/Kelvara.ini"
    output=$(run copy 1 copy 2 copy 3 copy 4 copy 5 convert) || fail "kelvara-cli.exe failed ($locale)"
    [ "$(sed -n 2p <<<"$output")" = "OUT DIR:out" ] || fail "start-up status: $output"
    grep -q "^FILE (4) COPIED:Ωμέγα.mp3\$" <<<"$output" || fail "UTF-8 output ($locale): $output"
    tr -d '\r' <"$work/Kelvara.log" | grep -q "^FILE (3) COPIED:Їжак.mp3$" || fail "UTF-8 log ($locale)"
    expectTag out/Шмель.mp3 PCHELA "tagged file ($locale)" "SHMELY I OSA"
    while IFS='|' read -r name title _ _; do expectTag "out/$name" "$title" "first run ($locale)"; done <<<"$songs"
    run convert >/dev/null || fail "second run failed ($locale)"
    while IFS='|' read -r name _ title _; do expectTag "out/$name" "$title" "second run ($locale)"; done <<<"$songs"
    grep -q '^ID3 EDITED - out\\' "$work/Kelvara.log" || fail "Windows paths in the log"

    # An out folder whose path runs past 260 characters.
    deep=out\\$(printf 'a%.0s' {1..90})\\$(printf 'b%.0s' {1..90})\\$(printf 'c%.0s' {1..90})
    mkdir -p "$work/${deep//\\//}"
    printf '%s\r\nmusic\\list.m3u8\r\n' "$deep" >"$work/Kelvara.ini"
    run copy 5 convert >/dev/null || fail "long path ($locale)"
    tr -d '\r' <"$work/Kelvara.log" | grep -q "^EDIT ID3's: 1 files found, 1 converted" || fail "long path ($locale)"
    expectTag "${deep//\\//}/Café Noël.mp3" "Cafe Noel.mp3" "long path ($locale)"
done
echo "kelvara-cli.exe under Wine, code pages 1252 and 1251: names in four scripts converted and transliterated"

# Under 1251 (the locale the loop left) a Windows-1251 playlist works as it always did, and a UTF-16 one
# ("Unicode" in Notepad) with any letters.
printf 'out\r\nmusic\\list.m3u\r\n' >"$work/Kelvara.ini"
printf '#EXTM3U\r\nПчела.mp3\r\nЇжак.mp3\r\n' | iconv -f UTF-8 -t CP1251 >"$work/music/list.m3u"
rm -f "$work/out/"*.mp3
output=$(run copy 1 copy 2)
[ -f "$work/out/Пчела.mp3" ] && [ -f "$work/out/Їжак.mp3" ] || fail "Windows-1251 playlist: $output"
printf 'out\r\nmusic\\unicode.m3u\r\n' >"$work/Kelvara.ini"
for order in LE BE; do
    if [ $order = LE ]; then printf '\xFF\xFE'; else printf '\xFE\xFF'; fi >"$work/music/unicode.m3u"
    printf '#EXTM3U\r\nШмель.mp3\r\nΩμέγα.mp3\r\n' | iconv -f UTF-8 -t UTF-16$order >>"$work/music/unicode.m3u"
    rm -f "$work/out/Шмель.mp3" "$work/out/Ωμέγα.mp3"
    output=$(run show 1 copy 1 copy 2)
    grep -q '^1: Шмель.mp3$' <<<"$output" || fail "UTF-16$order entry shown: $output"
    [ -f "$work/out/Шмель.mp3" ] && [ -f "$work/out/Ωμέγα.mp3" ] || fail "UTF-16$order entries not copied: $output"
done

# The playlist's own file is no copy: with the out folder being the playlist's folder, DELETE refuses.
printf 'music\r\nmusic\\list.m3u\r\n' >"$work/Kelvara.ini"
run delete 2 | grep -q "is the playlist's own file, not a copy; nothing deleted" || fail "DELETE of the playlist's own file"
[ -f "$work/music/Їжак.mp3" ] || fail "the playlist's own file was deleted"

# A link to a song outside the out folder: Wine may show it as a reparse point or as the song itself; either
# way the song outside stays byte-identical.
printf 'out\r\nmusic\\list.m3u\r\n' >"$work/Kelvara.ini"
mkdir "$work/lib" && cp "$data/v23-cp1251.mp3" "$work/lib/outside.mp3"
ln -s ../lib/outside.mp3 "$work/out/link.mp3"
run convert >/dev/null || fail "conversion beside a link"
cmp -s "$work/lib/outside.mp3" "$data/v23-cp1251.mp3" || fail "a song outside the out folder was changed"
rm "$work/out/link.mp3"

# A second kelvara-cli.exe finds the folder busy while the first converts. The first must still be running
# when the second ends for the outcome to prove anything, so a round where it was not is tried again.
for i in $(seq 150); do cat "$data/no-tag.mp3" "$data/no-tag.mp3" "$data/no-tag.mp3"; done >"$work/long.mp3"
for i in $(seq 60); do cp "$work/long.mp3" "$work/out/s$i.mp3"; done
proved=
for attempt in 1 2 3; do
    (cd "$work" && wine "$cli" convert >"$work/first.txt") &
    first=$!
    while kill -0 "$first" 2>/dev/null && ! ls -A "$work/out" | grep -q kelvara-tmp; do sleep 0.05; done
    second=$(run copy 1)
    if kill -0 "$first" 2>/dev/null; then
        grep -q "ERROR: another Kelvara is working in out" <<<"$second" || fail "second process not turned away: $second"
        proved=yes
    fi
    wait "$first" || fail "the first conversion failed"
    [ -n "$proved" ] && break
done
[ -n "$proved" ] || fail "the first conversion never outlasted the second process"
ls -A "$work/out" | grep -q kelvara-tmp && fail "temporary files left"
echo "kelvara-cli.exe under Wine: the playlist's own file kept, a link's song kept, a second process turned away"

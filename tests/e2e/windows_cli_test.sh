#!/usr/bin/env bash
# kelvara-cli.exe under Wine with the ANSI code page 1251, in a folder whose files have Cyrillic names:
# a tagless file gets its name as title on the first run and has it transliterated on the second.
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

# With a Russian locale Wine's ANSI code page is 1251: the names below are UTF-8 on the disk and
# Windows-1251 bytes to the program, as on a Russian Windows.
export LC_ALL=ru_RU.UTF-8
mkdir "$work/music"
cp "$data/Пчела.mp3" "$work/music/Пчела.mp3"
cp "$data/v23-cp1251.mp3" "$work/music/Шмель.mp3"
printf 'out\r\nmusic\\list.m3u\r\n' >"$work/Kelvara.ini"
printf '#EXTM3U\r\nПчела.mp3\r\nШмель.mp3\r\n' | iconv -f UTF-8 -t CP1251 >"$work/music/list.m3u"

run() { (cd "$work" && wine "$cli" "$@") | tr -d '\r'; }
tagOf() { "$tagDump" "$work/out/$1"; }

output=$(run copy 1 copy 2 convert) || fail "kelvara-cli.exe failed"
# The log holds the program's own Windows-1251 bytes.
grep -q "^FILE (2) COPIED:$(printf 'Шмель.mp3' | iconv -f UTF-8 -t CP1251)" "$work/Kelvara.log" || fail "copy of entry 2"
[ "$(sed -n 2p <<<"$output")" = "OUT DIR:out" ] || fail "start-up status: $output"
[ "$(tagOf Пчела.mp3)" = "$(printf 'tag: ID3v2.3 TIT2 TPE1\ntitle: \xCF\xF7\xE5\xEB\xE0.mp3\nartist: ')" ] ||
    fail "first run: $(tagOf Пчела.mp3 | od -c | head -5)"
[ "$(tagOf Шмель.mp3)" = "$(printf 'tag: ID3v2.3 TIT2 TPE1\ntitle: PCHELA\nartist: SHMELY I OSA')" ] ||
    fail "tagged file: $(tagOf Шмель.mp3)"

run convert >/dev/null || fail "second run failed"
[ "$(tagOf Пчела.mp3)" = "$(printf 'tag: ID3v2.3 TIT2 TPE1\ntitle: PCHELA.mp3\nartist: ')" ] ||
    fail "second run: $(tagOf Пчела.mp3)"
grep -q '^ID3 EDITED - out\\' "$work/Kelvara.log" || fail "Windows paths in the log"
echo "kelvara-cli.exe under Wine: Cyrillic names converted and transliterated on the second run"

# A playlist saved as UTF-16 ("Unicode" in Notepad): its Cyrillic entries are found under code page 1251, and an
# entry holding a letter the code page lacks (Greek) is refused by its number, not spelt wrong.
printf '\xFF\xFE' >"$work/music/unicode.m3u"
printf '#EXTM3U\r\nШмель.mp3\r\nΩ.mp3\r\n' | iconv -f UTF-8 -t UTF-16LE >>"$work/music/unicode.m3u"
printf 'out\r\nmusic\\unicode.m3u\r\n' >"$work/Kelvara.ini"
rm -f "$work/out/Шмель.mp3"
output=$(run show 1 copy 1 copy 2)
grep -q "^1: $(printf 'Шмель.mp3' | iconv -f UTF-8 -t CP1251)\$" <<<"$output" || fail "UTF-16 entry shown: $output"
[ -f "$work/out/Шмель.mp3" ] || fail "UTF-16 entry not copied: $output"
grep -q "^ERROR: playlist entry 2 holds a character this system cannot use in a file name\$" <<<"$output" ||
    fail "an entry the code page cannot hold: $output"

# The playlist's own file is no copy: with the out folder being the playlist's folder, DELETE refuses.
printf 'music\r\nmusic\\list.m3u\r\n' >"$work/Kelvara.ini"
run delete 2 | grep -q "is the playlist's own file, not a copy; nothing deleted" || fail "DELETE of the playlist's own file"
[ -f "$work/music/Шмель.mp3" ] || fail "the playlist's own file was deleted"

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

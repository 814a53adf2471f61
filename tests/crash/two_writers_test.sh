#!/usr/bin/env bash
# Two Kelvara processes on one out folder never mix their work: two conversions started together, and a COPY
# started beside a conversion, over several rounds. After each round every song is its own original or its own
# complete conversion, nothing is lost, no temporary file is left, and a process that found the folder busy
# said so and did nothing.
# Usage: two_writers_test.sh KELVARA_CLI DATA_DIR
set -euo pipefail

cli=$(realpath "$1") data=$(realpath "$2")
work=$(mktemp -d /tmp/kelvara-two-writers.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2 && exit 1; }
run() { (cd "$work" && "$cli" "$@" 2>&1); }
busy="ERROR: another Kelvara is working in out"
songs=40 rounds=6 refused=0

# Songs of real MP3 frames, each different from every other, about 300 KB; a COPY of 3 MB.
fixtures=("$data"/*.mp3)
mkdir "$work/originals" "$work/big"
for ((i = 0; i < songs; i++)); do
    { cat "${fixtures[i % ${#fixtures[@]}]}"; printf 'song %d' "$i"
      for _ in $(seq 36); do cat "$data/no-tag.mp3"; done; } >"$work/originals/song$i.mp3"
done
for _ in $(seq 400); do cat "$data/v23-cp1251.mp3"; done >"$work/big/big.mp3"
printf 'out\r\nlist.m3u\r\n' >"$work/Kelvara.ini"
printf '%s\r\n' "$work/big/big.mp3" >"$work/list.m3u"
# What a finished song must be: the conversion of every song by one process alone.
cp -r "$work/originals" "$work/out" && cp "$work/big/big.mp3" "$work/out"
run convert >/dev/null || fail "a lone conversion failed"
mv "$work/out" "$work/expected"

for ((round = 1; round <= rounds; round++)); do
    rm -rf "$work/out" && cp -r "$work/originals" "$work/out"
    run convert >"$work/first" & run convert >"$work/second" & run copy 1 >"$work/copy" &
    wait
    for ((i = 0; i < songs; i++)); do
        cmp -s {"$work/out","$work/originals"}/song$i.mp3 || cmp -s {"$work/out","$work/expected"}/song$i.mp3 ||
            fail "round $round: song$i.mp3 is lost, or neither its original nor its conversion"
    done
    ! ls -A "$work/out" | grep kelvara-tmp || fail "round $round: temporary files left (above)"
    # The copy is whole, or it was refused and is not there; a conversion that came after it converted it.
    if grep -q "$busy" "$work/copy"; then
        [ ! -e "$work/out/big.mp3" ] || fail "round $round: a refused copy left big.mp3"
    else
        grep -q 'COPIED:big.mp3' "$work/copy" || fail "round $round: copy neither done nor refused: $(cat "$work/copy")"
        cmp -s {"$work/out","$work/big"}/big.mp3 || cmp -s {"$work/out","$work/expected"}/big.mp3 ||
            fail "round $round: big.mp3 is neither a whole copy nor its conversion"
    fi
    turnedAway=$({ grep -l "$busy" "$work"/{first,second,copy} || true; } | xargs -rn1 basename | tr '\n' ' ')
    refused=$((refused + $(wc -w <<<"$turnedAway")))
    echo "round $round: ${turnedAway}refused"
done
[ "$refused" -gt 0 ] || fail "in $rounds rounds no process ever found the folder busy: the lock was never tested"
echo "OK: $rounds rounds, $refused commands refused for a busy folder, every song whole"

#!/usr/bin/env bash
# Proves Kelvara's first promise against crashes: at every moment each song is its old bytes or its complete
# new bytes. The real kelvara-cli is killed with SIGKILL by strace at system calls of its write path (each
# call's first, a middle and the last occurrence within the program's own work), once for `convert` over a
# folder of real songs, some of them a few MB, and once for `copy 1` of a large song over an older, different
# copy. After every kill each song must be byte for byte its old or its new content, none missing, no other
# song there, nothing outside the out folder changed; then a full run of the same command must leave every
# song new (or, if the killed run had finished it, what a second run makes of it) and no temporary file
# (*kelvara-tmp*) behind.
#
# kill_at_call stops the program on entry to the chosen call, counted over all its threads together, and kills
# it there, so the kill lands just before the call takes effect while the other threads are wherever they are.
# Occurrences are counted over the whole process in one run traced by strace per command, leaving out calls on a
# descriptor of something outside the working folder (the console, a preloaded library): the program's work
# begins where it first opens a song; the calls before (the dynamic loader, a sanitizer's start-up,
# Kelvara.ini, the playlist, the log) are start-up and are skipped. A song's new content is what one untraced
# run makes of the working folder, and what a second run makes of that.
#
# Usage: crash_test.sh KELVARA_CLI KILL_AT_CALL   (needs strace; the songs come from tests/data beside this folder)
set -euo pipefail

cli=$(realpath "$1") killAt=$(realpath "$2") data=$(realpath "$(dirname "$0")/../data")
command -v strace >/dev/null || { echo "FAIL: strace is missing: run scripts/install-deps" >&2; exit 1; }

# The system calls of the write path; `?` lets strace pass over a name this architecture lacks.
writeCalls=(openat pwrite64 write copy_file_range ftruncate fsync fchmod fchown fchmodat fchownat
            chmod chown utimensat renameat2 rename unlink)

tmp=$(realpath "$(mktemp -d -t kelvara-crash-test.XXXXXX)") # as the system names an open file's folder
trap 'rm -rf "$tmp"' EXIT
# run: the working folder of every run, made afresh from $tmp/SCENARIO; state: each song after the current kill,
# old or new; further: what the next full run makes of it.
run=$tmp/run failures=0
declare -A state further=([old]=new [new]=twice)

fail() { echo "FAIL: $*" >&2; cat "$tmp/cli.out" >&2 2>/dev/null; exit 1; } # with the program's output
# problem TEXT: a broken promise, counted; the test goes on to report every kill point.
problem() { problems+=("$*") && failures=$((failures + 1)); }
fresh() { rm -rf "$run" && cp -a "$tmp/$1" "$run"; }
# inRun COMMAND...: COMMAND in the working folder, its output kept in cli.out; returns its exit status.
inRun() { (cd "$run" && exec "$@") >"$tmp/cli.out" 2>&1; }
# LeakSanitizer cannot run under ptrace (an ASan build would abort at exit): it is off for traced runs only.
traced=(env "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0")
# killCli CALL N ARGS...: kelvara-cli killed on entry to its Nth CALL (by the number the C library gives the name);
# false if it was not killed there (128 + 9).
killCli() {
    local status=0 number && number=$(printf '#include <sys/syscall.h>\nSYS_%s\n' "$1" | cpp -P | tail -n 1)
    { inRun "${traced[@]}" "$killAt" "$number" "$2" "$run" "${@:3}" || status=$?; } && [ $status -eq 137 ]
}
# countCalls TRACE CALL: "BEFORE WORK", the occurrences of CALL in the whole process before and from the program's
# first opening of a song, as kill_at_call counts them.
countCalls() { awk -v call="$2" -v inside="<$run/" '/openat\(.*\.mp3"/ { working = 1 }
    { name = $2; sub(/\(.*/, "", name) } name == call && ($2 !~ /\([0-9]+</ || index($2, inside)) {
        if (working) work++; else before++ } END { print before + 0, work + 0 }' "$1"; }
# names FOLDER [!]: the names of its temporary files (*kelvara-tmp*), or with !, of its songs, one a line.
names() { find "$1" -mindepth 1 -maxdepth 1 "${@:2}" -name '*kelvara-tmp*' -printf '%f\n' | sort; }
# noTag TIMES: the tagless fixture TIMES over, real audio to make songs of a few MB with.
noTag() { { yes "$data/no-tag.mp3" || true; } | head -n "$1" | xargs -d '\n' cat; }
# expect SCENARIO CHANGED ARGS...: SCENARIO.old, .new and .twice, its out folder before, after one and after two
# runs of `kelvara-cli ARGS`. The first run must change CHANGED songs, or the test could not tell old and new apart.
expect() {
    fresh "$1" && cp -a "$run/out" "$tmp/$1.old"
    for next in new twice; do
        { inRun "$cli" "${@:3}" && cp -a "$run/out" "$tmp/$1.$next"; } || fail "kelvara-cli ${*:3} failed"
    done
    [ "$(diff -q "$tmp/$1/out" "$tmp/$1.new" | wc -l)" -eq "$2" ] || fail "$1 does not change $2 songs"
}

# Both working folders: Kelvara.ini, music/list.m3u (entry 1: big.mp3, 4 MB with both tags) and out/.
mkdir -p "$tmp/convert/music" "$tmp/convert/out"
printf 'out\nmusic/list.m3u\n' >"$tmp/convert/Kelvara.ini"
printf '#EXTM3U\nbig.mp3\n' >"$tmp/convert/music/list.m3u"
{ cat "$data/v23-cp1251.mp3" && noTag 498 && cat "$data/v1-only-cp1251.mp3"; } >"$tmp/convert/music/big.mp3"
cp -a "$tmp/convert" "$tmp/copy"
# convert: every fixture twelve times, one copy with permissions a new file lacks, so that its new content takes
# them over (fchmod); enough songs for more than one group; and three songs of a few MB.
out=$tmp/convert/out
for copy in '' b- c- d- e- f- g- h- i- j- k- l-; do for f in "$data"/*.mp3; do cp "$f" "$out/$copy${f##*/}"; done; done
chmod 0600 "$out"/b-*.mp3
{ cat "$data/v23-cp1251.mp3" && noTag 399; } >"$out/big-v23.mp3"     # 3.3 MB
{ noTag 249 && cat "$data/v1-only-cp1251.mp3"; } >"$out/big-v1.mp3" # 2 MB
noTag 300 >"$out/big-no-tag.mp3"                                   # 2.5 MB
expect convert "$(names "$out" ! | wc -l)" convert
# copy: big.mp3 replaces an older, different copy of 1 MB; two other songs stand beside it.
{ cat "$data/v22.mp3" && noTag 119; } >"$tmp/copy/out/big.mp3"
cp "$data/v22.mp3" "$data/Пчела.mp3" "$tmp/copy/out/"
expect copy 1 copy 1

# unchangedAround SCENARIO: the out folder holds the songs it held, and every file outside it is as it was (the
# log is the program's own, emptied at every start).
unchangedAround() {
    [ "$(names "$run/out" !)" = "$(names "$tmp/$1/out" !)" ] || problem "the out folder holds other songs"
    diff -r -q -x out -x Kelvara.log "$tmp/$1" "$run" >/dev/null || problem "files outside the out folder changed"
}
# checkKill SCENARIO: after a kill, every song is old or new; sets state[song] and outcome.
checkKill() {
    local song kind
    for song in "${songs[@]}"; do
        for kind in old new; do cmp -s "$run/out/$song" "$tmp/$1.$kind/$song" && state[$song]=$kind && break; done
        [ -n "${state[$song]:-}" ] || problem "$song is neither old nor new ($(stat -c %s "$run/out/$song" 2>&1))"
    done
    unchangedAround "$1"
    outcome="$(printf '%s\n' "${state[@]}" | sort | uniq -c | xargs), $(names "$run/out" | wc -l) temporary"
}
# checkRerun SCENARIO ARGS...: the next full run takes each song one run further than the kill left it.
checkRerun() {
    local song
    inRun "$cli" "${@:2}" || problem "the next run failed ($(tail -n 1 "$tmp/cli.out"))"
    for song in "${!state[@]}"; do
        cmp -s "$run/out/$song" "$tmp/$1.${further[${state[$song]}]}/$song" || problem "$song is wrong after a next run"
    done
    unchangedAround "$1"
    [ -z "$(names "$run/out")" ] || problem "temporary files remain: $(names "$run/out" | tr '\n' ' ')"
}

# crashScenario SCENARIO ARGS...: kills `kelvara-cli ARGS` in SCENARIO's folder at every kill point.
crashScenario() {
    mapfile -t songs < <(names "$tmp/$1/out" !)
    fresh "$1"
    inRun "${traced[@]}" strace -fy -o "$tmp/trace" -e "trace=$(IFS=, && echo "${writeCalls[*]/#/?}")" "$cli" "${@:2}" ||
        fail "$1: the traced run failed"
    local call n before work text seen=()
    for call in "${writeCalls[@]}"; do
        read -r before work < <(countCalls "$tmp/trace" "$call")
        [ "$work" -gt 0 ] && seen+=("$call") || continue
        # The first, a middle and the last occurrence within the work, each once.
        for n in $(printf '%s\n' $((before + 1)) $(((2 * before + work + 1) / 2)) $((before + work)) | uniq); do
            fresh "$1" && problems=() state=() outcome="not killed"
            killCli "$call" "$n" "$cli" "${@:2}" || problem "the program was not killed there"
            [ ${#problems[@]} -gt 0 ] || { checkKill "$1" && checkRerun "$@"; }
            echo "$1: $call #$n (the work's are #$((before + 1)) to #$((before + work))): $outcome;" \
                "$([ ${#problems[@]} -eq 0 ] && echo "next run ok" || echo FAILED)"
            for text in "${problems[@]}"; do echo "    PROBLEM: $text"; done
        done
    done
    echo "$1: ${#seen[@]} of ${#writeCalls[@]} calls occur in the work: ${seen[*]}"
    [ ${#seen[@]} -ge 6 ] || fail "$1: only ${#seen[@]} write-path calls occur; is the set-up broken?"
}

crashScenario convert convert
crashScenario copy copy 1
[ "$failures" -eq 0 ] || { echo "FAIL: $failures broken promises (see PROBLEM above)" >&2 && exit 1; }
echo "every song was its old or its new content at every kill point"

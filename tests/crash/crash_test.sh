#!/usr/bin/env bash
# Proves Kelvara's first promise against crashes: at every moment each song is its old bytes or its complete
# new bytes. The real kelvara-cli is killed with SIGKILL by strace at system calls of its write path (each
# call's first, a middle and the last occurrence within the program's own work), once for `convert` over a
# folder of real songs, some of them a few MB, and once for `copy N` of a large song over an older, different
# copy. After every kill each song must be byte for byte its original or its expected new content, none
# missing, nothing outside the out folder changed; then a full run of the same command must leave every
# song converted (copied) and no temporary file (*kelvara-tmp*) behind.
#
# strace delivers the signal on entry to the chosen call, so the kill lands just before it takes effect.
# Occurrences are counted in one traced run per binary: the program's work begins where it first opens a
# song; the calls before (the dynamic loader, a sanitizer's start-up, Kelvara.ini, the playlist, the log)
# are start-up and are skipped. The expected conversion is what `kelvara-cli convert` makes of a pristine
# copy; a second run changes what the first left only for untransliterated names (Пчела.mp3), so a song the
# killed run had already converted is expected, after the next run, to be what a second run makes of it.
#
# Usage: crash_test.sh KELVARA_CLI   (needs strace; the songs come from tests/data beside this folder)
set -euo pipefail

cli=$(realpath "$1")
data=$(realpath "$(dirname "$0")/../data")
command -v strace >/dev/null || { echo "FAIL: strace is missing: run scripts/install-deps" >&2; exit 1; }

# The system calls of the write path; `?` lets strace pass over a name this architecture lacks.
writeCalls=(openat pwrite64 write copy_file_range ftruncate fsync fchmod fchown fchmodat fchownat
            chmod chown utimensat renameat2 rename unlink)
minimumCallsSeen=6
audioSize=8255 # every fixture's audio, tests/data/README.md

tmp=$(mktemp -d -t kelvara-crash-test.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
run=$tmp/run # the working folder of every run, made afresh from a template
failures=0
problems=() # what the current kill point broke
outcome=''  # what the current kill left, in words
declare -A state # each song after the current kill: old, new, broken or missing

fail() {
    echo "FAIL: $*" >&2
    echo "--- program output:" >&2
    cat "$tmp/cli.out" >&2 2>/dev/null || true
    exit 1
}
# problem TEXT: a broken promise, counted; the test goes on to report every kill point.
problem() {
    problems+=("$*")
    failures=$((failures + 1))
}

# ---- running the program ----------------------------------------------------------------------------

# runCli ARGS...: kelvara-cli in the working folder, its output kept in cli.out; returns its exit status.
runCli() {
    (cd "$run" && exec "$cli" "$@") >"$tmp/cli.out" 2>&1
}
# Under ptrace LeakSanitizer cannot run (an ASan build would abort at exit): off for traced runs only.
noLeakCheck="ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
# traceCli TRACE ARGS...: kelvara-cli under strace, every write-path call written to TRACE.
traceCli() {
    local trace=$1
    shift
    (cd "$run" && exec env "$noLeakCheck" strace -f -o "$trace" -e trace="$(callSet)" "$cli" "$@") >"$tmp/cli.out" 2>&1
}
callSet() {
    local IFS=,
    echo "${writeCalls[*]/#/?}"
}
# killCli CALL N ARGS...: kelvara-cli killed on entry to the Nth CALL; false if it was not killed there.
killCli() {
    local call=$1 n=$2 status=0
    shift 2
    { (cd "$run" && exec env "$noLeakCheck" strace -f -o /dev/null -e inject="$call:signal=SIGKILL:when=$n" "$cli" "$@") \
        >"$tmp/cli.out" 2>&1; } 2>/dev/null || status=$?
    [ "$status" -eq $((128 + 9)) ] # strace ends itself with the signal that ended the program
}
fresh() {
    rm -rf "$run"
    cp -a "$1" "$run"
}

# ---- counting the calls -----------------------------------------------------------------------------

# countCalls TRACE CALL: "BEFORE WORK", the occurrences of CALL before and from the first opening of a song.
countCalls() {
    awk -v call="$2" '
        /openat\(.*\.mp3"/ { working = 1 }
        { name = $2; sub(/\(.*/, "", name) }
        name == call { if (working) work++; else before++ }
        END { print before + 0, work + 0 }' "$1"
}
# killPoints BEFORE WORK: the first, a middle and the last occurrence within the work, each once.
killPoints() {
    local first=$(($1 + 1)) last=$(($1 + $2))
    printf '%s\n' "$first first" "$(((first + last) / 2)) middle" "$last last" | awk '!seen[$1]++'
}

# ---- songs ------------------------------------------------------------------------------------------

# repeatAudio FIXTURE TAG_V2_BYTES TAG_V1_BYTES TIMES: the fixture with its audio TIMES over between its tags.
repeatAudio() {
    local fixture=$data/$1 front=$2 back=$3 times=$4 size i
    size=$(stat -c %s "$fixture")
    [ $((size - front - back)) -eq "$audioSize" ] || fail "$1 is not $front + $audioSize + $back bytes"
    tail -c +$((front + 1)) "$fixture" | head -c "$audioSize" >"$tmp/audio"
    local parts=()
    for ((i = 0; i < times; i++)); do parts+=("$tmp/audio"); done
    head -c "$front" "$fixture"
    cat "${parts[@]}"
    tail -c "$back" "$fixture"
}
# makeTemplate FOLDER: a working folder with Kelvara.ini, music/list.m3u (entry 1: big.mp3) and out/.
makeTemplate() {
    mkdir -p "$1/music" "$1/out"
    printf 'out\nmusic/list.m3u\n' >"$1/Kelvara.ini"
    printf '#EXTM3U\nbig.mp3\nno-tag.mp3\n' >"$1/music/list.m3u"
    repeatAudio v23-and-v1.mp3 63 128 500 >"$1/music/big.mp3" # 4 MB
    cp "$data/no-tag.mp3" "$1/music/"
}
# songsIn FOLDER, temporariesIn FOLDER: the names of its songs or of its temporary files, one a line.
songsIn() {
    find "$1" -mindepth 1 -maxdepth 1 ! -name '*kelvara-tmp*' -printf '%f\n' | sort
}
temporariesIn() {
    find "$1" -mindepth 1 -maxdepth 1 -name '*kelvara-tmp*' -printf '%f\n' | sort
}
# expectConversion FROM TO: TO holds what one `kelvara-cli convert` makes of the songs in FROM.
expectConversion() {
    fresh "$tmp/convert"
    rm -rf "$run/out" && cp -a "$1" "$run/out"
    runCli convert || fail "kelvara-cli convert failed on $1"
    cp -a "$run/out" "$2"
}

setUp() {
    local fixture
    mkdir "$tmp/pristine"
    for fixture in "$data"/*.mp3; do
        cp "$fixture" "$tmp/pristine/"
        cp "$fixture" "$tmp/pristine/b-$(basename "$fixture")"
    done
    repeatAudio v23-cp1251.mp3 113 0 400 >"$tmp/pristine/big-v23.mp3"   # 3.3 MB
    repeatAudio v1-only-cp1251.mp3 0 128 250 >"$tmp/pristine/big-v1.mp3" # 2 MB
    repeatAudio no-tag.mp3 0 0 300 >"$tmp/pristine/big-no-tag.mp3"      # 2.5 MB
    # Songs whose permissions differ from a new file's, so that their new content takes them over (fchmod).
    chmod 0600 "$tmp/pristine"/b-*.mp3

    makeTemplate "$tmp/convert"
    cp -a "$tmp/pristine/." "$tmp/convert/out/"
    expectConversion "$tmp/pristine" "$tmp/once"
    expectConversion "$tmp/once" "$tmp/twice"
    mapfile -t songs < <(songsIn "$tmp/pristine")
    local song
    for song in "${songs[@]}"; do
        if cmp -s "$tmp/pristine/$song" "$tmp/once/$song"; then fail "converting leaves $song as it was"; fi
    done

    # COPY: big.mp3 replaces an older, different copy of 1 MB; two other songs stand beside it.
    makeTemplate "$tmp/copy"
    repeatAudio v22.mp3 52 0 120 >"$tmp/copy/out/big.mp3"
    cp "$data/v22.mp3" "$data/Пчела.mp3" "$tmp/copy/out/"
    if cmp -s "$tmp/copy/out/big.mp3" "$tmp/copy/music/big.mp3"; then fail "the old copy equals the new one"; fi
    echo "set-up: ${#songs[@]} songs to convert ($(du -sh "$tmp/pristine" | cut -f1)), a copy of $(du -h "$tmp/copy/music/big.mp3" | cut -f1)"
}

# ---- checks -----------------------------------------------------------------------------------------

# outsideUnchanged TEMPLATE: every file outside the out folder is as in the template (the log is the
# program's own, emptied at every start).
outsideUnchanged() {
    diff -r -q -x out -x Kelvara.log "$1" "$run" >/dev/null || problem "files outside the out folder changed"
}
# onlySongs LIST: the out folder holds exactly these songs, besides temporary files.
onlySongs() {
    [ "$(songsIn "$run/out")" = "$1" ] || problem "the out folder holds other songs: $(songsIn "$run/out" | tr '\n' ' ')"
}
noTemporaries() {
    [ -z "$(temporariesIn "$run/out")" ] || problem "temporary files remain: $(temporariesIn "$run/out" | tr '\n' ' ')"
}

# checkConvertKill: after a kill, every song is old or new; sets state[song] and outcome.
checkConvertKill() {
    local song old=0 new=0
    for song in "${songs[@]}"; do
        if cmp -s "$run/out/$song" "$tmp/pristine/$song"; then
            state[$song]=old old=$((old + 1))
        elif cmp -s "$run/out/$song" "$tmp/once/$song"; then
            state[$song]=new new=$((new + 1))
        elif [ -e "$run/out/$song" ]; then
            state[$song]=broken && problem "$song is neither its old nor its new content"
        else
            state[$song]=missing && problem "$song is missing"
        fi
    done
    onlySongs "$(songsIn "$tmp/pristine")"
    outsideUnchanged "$tmp/convert"
    outcome="$new new, $old old, $(temporariesIn "$run/out" | wc -l) temporary"
}
# checkConvertRerun: after the next full run, each song is converted once more than the kill left it.
checkConvertRerun() {
    local song
    runCli convert || problem "the next convert failed ($(tail -n 1 "$tmp/cli.out"))"
    for song in "${songs[@]}"; do
        case ${state[$song]} in
            old) cmp -s "$run/out/$song" "$tmp/once/$song" || problem "$song is not converted after the next run" ;;
            new) cmp -s "$run/out/$song" "$tmp/twice/$song" || problem "$song is wrong after the next run" ;;
        esac
    done
    onlySongs "$(songsIn "$tmp/pristine")"
    noTemporaries
    outsideUnchanged "$tmp/convert"
}

# The songs of the COPY template's out folder other than big.mp3 stay as they were.
othersUnchanged() {
    local song
    for song in v22.mp3 Пчела.mp3; do
        cmp -s "$run/out/$song" "$tmp/copy/out/$song" || problem "$song changed"
    done
    onlySongs "$(songsIn "$tmp/copy/out")"
    outsideUnchanged "$tmp/copy"
}
checkCopyKill() {
    if cmp -s "$run/out/big.mp3" "$tmp/copy/out/big.mp3"; then
        outcome="old copy"
    elif cmp -s "$run/out/big.mp3" "$tmp/copy/music/big.mp3"; then
        outcome="new copy"
    elif [ -e "$run/out/big.mp3" ]; then
        outcome="broken copy"
        problem "big.mp3 is neither the old copy nor the new one ($(stat -c %s "$run/out/big.mp3") bytes)"
    else
        outcome="no copy"
        problem "big.mp3 is missing"
    fi
    othersUnchanged
    outcome+=", $(temporariesIn "$run/out" | wc -l) temporary"
}
checkCopyRerun() {
    runCli copy 1 || problem "the next copy failed ($(tail -n 1 "$tmp/cli.out"))"
    cmp -s "$run/out/big.mp3" "$tmp/copy/music/big.mp3" || problem "big.mp3 is not the new copy after the next copy"
    othersUnchanged
    noTemporaries
}

# ---- the kill points --------------------------------------------------------------------------------

# crashScenario NAME TEMPLATE CHECK_KILL CHECK_RERUN ARGS...: kills `kelvara-cli ARGS` at every kill point.
crashScenario() {
    local name=$1 template=$2 checkKill=$3 checkRerun=$4
    shift 4
    fresh "$template"
    traceCli "$tmp/trace" "$@" || fail "$name: the traced run failed"
    [ "$(awk '{ print $1 }' "$tmp/trace" | sort -u | wc -l)" -eq 1 ] ||
        fail "$name: the program ran several threads; strace counts each thread's calls on its own"
    local call before work n which text verdict seen=0 skipped=()
    for call in "${writeCalls[@]}"; do
        read -r before work < <(countCalls "$tmp/trace" "$call")
        if [ "$work" -eq 0 ]; then
            skipped+=("$call")
            continue
        fi
        seen=$((seen + 1))
        while read -r n which; do
            fresh "$template"
            problems=() state=() outcome="not killed"
            if killCli "$call" "$n" "$@"; then
                "$checkKill"
                "$checkRerun"
            else
                problem "the program was not killed there"
            fi
            verdict="next run ok"
            [ ${#problems[@]} -eq 0 ] || verdict="FAILED"
            echo "$name: $call #$n ($which of $work in the work, after $before at start-up): $outcome; $verdict"
            for text in "${problems[@]}"; do echo "    PROBLEM: $text"; done
        done < <(killPoints "$before" "$work")
    done
    echo "$name: $seen of ${#writeCalls[@]} calls occur in the work; skipped, as they never do: ${skipped[*]:-none}"
    [ "$seen" -ge "$minimumCallsSeen" ] || fail "$name: only $seen write-path calls occur; is the set-up broken?"
}

setUp
crashScenario convert "$tmp/convert" checkConvertKill checkConvertRerun convert
crashScenario copy "$tmp/copy" checkCopyKill checkCopyRerun copy 1
if [ "$failures" -ne 0 ]; then
    echo "FAIL: $failures broken promises (see PROBLEM above)" >&2
    exit 1
fi
echo "every song was its old or its new content at every kill point"

#!/usr/bin/env bash
# Kills `vexa-cli solve --save` at random moments N times (SIGKILL, and SIGTERM every third
# time) and checks after each kill that a complete workspace is under the user's name or
# beside it where an open finds it (".guardando", ".bkp"), that the backup is complete, and
# that a run stopped by SIGTERM left nothing behind. Not part of ctest: it takes minutes.
#
#   scripts/kill_test.sh N [build-folder]
set -u
N=${1:?usage: kill_test.sh N [build-folder]}
BUILD=${2:-build}
CLI=$(cd "$(dirname "$0")/.." && pwd)/$BUILD/src/vexa-cli
[ -x "$CLI" ] || { echo "no $CLI" >&2; exit 2; }

WORK=$(mktemp -d /tmp/vexa-kill-XXXXXX)
export TMPDIR=$WORK/tmp
mkdir -p "$TMPDIR"
# A copy of the program, so that a rebuild during the run changes nothing.
cp "$CLI" "$WORK/vexa-cli" && CLI=$WORK/vexa-cli
F=$WORK/Granja.vxf
"$CLI" sample "$F" >/dev/null || exit 2

check() { "$CLI" check "$1" >/dev/null 2>&1; }

# Kill moments spread over a whole run, as long as one takes on this machine.
start=$(date +%s%N)
for g in 1 2 3; do "$CLI" solve "$F" --group $g --all --save >/dev/null 2>&1; done
span=$(( ($(date +%s%N) - start) / 3000000 * 6 / 5 + 5 ))

intact=0 recovered=0 saved=0 failed=0 backupBad=0 termLeft=0 term=0 midSave=0 newInPlace=0
for ((i = 1; i <= N; i++)); do
    before=$(stat -c %i.%s.%Y "$F" 2>/dev/null || echo none)
    "$CLI" solve "$F" --group $((i % 3 + 1)) --all --save >/dev/null 2>&1 &
    pid=$!
    # Anywhere in a run, the save included.
    ms=$((RANDOM % span))
    sleep "$((ms / 1000)).$(printf '%03d' $((ms % 1000)))"
    if ((i % 3 == 0)); then sig=TERM; else sig=KILL; fi
    kill -s $sig $pid 2>/dev/null
    wait $pid 2>/dev/null
    status=$?
    if [ "$sig" = TERM ] && ((status == 143)); then
        term=$((term + 1))
        if [ -e "$TMPDIR/vexa-cli-$pid" ]; then termLeft=$((termLeft + 1)); fi
    fi
    ((status == 0)) && saved=$((saved + 1))

    # Killed inside the save: its new file, or the links and renames of the rotation, remain.
    if ((status != 0)) && compgen -G "$WORK/Granja.*.*" >/dev/null; then midSave=$((midSave + 1)); fi
    after=$(stat -c %i.%s.%Y "$F" 2>/dev/null || echo none)
    if ((status != 0)) && [ "$after" != "$before" ]; then newInPlace=$((newInPlace + 1)); fi
    if [ -f "$F" ] && check "$F"; then
        intact=$((intact + 1))
    elif [ ! -e "$F" ] && { check "$F.guardando" || check "${F%.vxf}.bkp"; }; then
        # What an open offers back ("Se encontró una copia ..."): take it as the user would.
        recovered=$((recovered + 1))
        if check "$F.guardando"; then mv "$F.guardando" "$F"; else cp "${F%.vxf}.bkp" "$F"; fi
    else
        failed=$((failed + 1))
        echo "run $i ($sig after kill, status $status, file before $before): no complete workspace" >&2
        ls -la "$WORK" >&2
        cp -a "$WORK" "$WORK-failure-$i" 2>/dev/null
        "$CLI" sample "$F" >/dev/null
    fi
    if [ -e "${F%.vxf}.bkp" ] && ! check "${F%.vxf}.bkp"; then
        backupBad=$((backupBad + 1))
        echo "run $i: damaged backup" >&2
    fi
done

# The next run clears what the killed ones left in the temporary folder and beside the file.
"$CLI" list "$F" groups >/dev/null 2>&1
left=$(find "$TMPDIR" "$WORK" -maxdepth 1 \( -name 'vexa-cli-*' -o -name '~Archiv-*' \) | wc -l)

echo "runs: $N  kill moments 0 to $span ms  killed by SIGTERM: $term  completed before the kill: $saved"
echo "killed inside the save (a .guardando, .nuevo or .anterior left): $midSave"
echo "killed after the new file was in place: $newInPlace"
echo "file complete after the kill: $intact  offered back from .guardando/.bkp: $recovered"
echo "no complete workspace: $failed  damaged backup: $backupBad"
echo "SIGTERM runs that left their folder: $termLeft  leftovers after the next run: $left"
rm -rf "$WORK"
((failed == 0 && backupBad == 0 && termLeft == 0 && left == 0))

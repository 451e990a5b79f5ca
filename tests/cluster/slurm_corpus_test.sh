#!/bin/sh
# A corpus of 20 files, one of them not a sound file, through scripts/cluster/slurm_corpus.sh
# on a real Slurm cluster of one node started here: the merged summary.csv equals the rows of a
# serial run of gravon-cli, row for row; failures.csv names the bad file with gravon-cli's
# error and exit status; a task the cluster cancels, before it starts or while it runs, is run
# once more; every task left its cells and tracks; a merge that misses a file of the list
# fails naming it. Everything started here is stopped at the end, also on failure.
#   slurm_corpus_test.sh SOURCE_DIR BUILD_DIR
set -eu
src=$1
build=$2
. "$src/tests/cluster/one_node_cluster.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/gravon_slurm_XXXXXX")
finish() {
    status=$?
    cluster_stop
    rm -rf "$work"
    exit "$status"
}
trap finish EXIT
trap 'exit 130' INT TERM

fail() {
    echo "FAIL: $*" >&2
    for f in "$work"/out/slurm/logs/*.out; do
        [ -f "$f" ] && { echo "--- $f"; cat "$f"; } >&2
    done
    exit 1
}

set +e
cluster_start "$work/cluster"
started=$?
set -e
[ "$started" -eq 0 ] || exit "$started"

# The settings of the runs live in the folder too.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$work/corpus"
cd "$work/corpus"
: >list.txt
i=1
while [ "$i" -le 20 ]; do
    name=$(printf 'voice%02d.wav' "$i")
    if [ "$i" -eq 7 ]; then
        name=notes07.wav
        echo "Subject 7: recording lost, see the paper form" >"$name"
    else
        "$build/gravon-synth" --out "$name" --seconds 1 --f0 $((110 + 9 * i)) \
            --spl $((65 + i % 15)) >/dev/null
    fi
    echo "$name" >>list.txt
    i=$((i + 1))
done

# gravon-cli as the tasks run it, except that voice05.wav and voice14.wav, the second files of
# tasks 1 and 4, take their time while the folder holds "slow", so that the tasks can be
# cancelled while they run with one row written.
cat >../cli.sh <<CLI
#!/bin/sh
for a in "\$@"; do
    if { [ "\$a" = voice05.wav ] || [ "\$a" = voice14.wav ]; } && [ -e "$work/slow" ]; then
        echo \$\$ >"$work/slow-\$a.tmp"
        mv "$work/slow-\$a.tmp" "$work/slow-\$a"
        # The very process the task started, as gravon-cli would be.
        exec sleep 60
    fi
done
exec "$build/gravon-cli" "\$@"
CLI
chmod +x ../cli.sh
: >../slow

# 7 tasks of at most 3 files, two at a time on the two CPUs; the last waits long enough to be
# cancelled before it starts; task 4 is cancelled a second into its second file. Task 1 meets
# what a cancel of a young task often does: the signal ends the program at work while the
# task's shell, which Slurm starts with its signals blocked, goes on.
# Bounded well inside CTest's own time-out, which would leave the daemons running.
timeout 300 "$src/scripts/cluster/slurm_corpus.sh" --files-per-task 3 \
    --gravon-cli ../cli.sh --wait list.txt ../out -- /f100 >../submit.log 2>&1 &
submitter=$!
i=0
until [ -s ../out/slurm/jobs.txt ]; do
    i=$((i + 1))
    [ "$i" -le 120 ] || fail "slurm_corpus.sh submitted nothing: $(cat ../submit.log)"
    kill -0 "$submitter" 2>/dev/null || [ -s ../out/slurm/jobs.txt ] ||
        fail "slurm_corpus.sh ended: $(cat ../submit.log)"
    sleep 0.5
done
array=$(sed -n 's/^array //p' ../out/slurm/jobs.txt)
scancel "${array}_6"
# The process of the slow file, once it runs.
slow_pid() {
    i=0
    until [ -e "../slow-$1" ]; do
        i=$((i + 1))
        [ "$i" -le 1200 ] || fail "$1 was never reached"
        sleep 0.1
    done
    cat "../slow-$1"
}
kill -TERM "$(slow_pid voice05.wav)"
slow_pid voice14.wav >/dev/null
sleep 1
scancel "${array}_4"
rm ../slow
set +e
wait "$submitter"
waited=$?
set -e
cat ../submit.log
[ "$waited" -ne 124 ] || fail "slurm_corpus.sh --wait did not see the merge within 300 s"
[ "$waited" -eq 1 ] || fail "slurm_corpus.sh --wait: status $waited, not 1 (a file failed)"
grep -q '^resubmitted ' ../out/slurm/jobs.txt || fail "the cancelled tasks were not resubmitted"
grep -q 'tasks 1,4,6 did not finish' ../out/slurm/logs/merge_1.out ||
    fail "not every cancelled task was resubmitted: $(cat ../out/slurm/logs/merge_1.out)"

# The serial run, the way a researcher runs it on one machine.
while IFS= read -r f; do
    "$build/gravon-cli" /f100 "$f" --summary-csv ../serial.csv 2>/dev/null || true
done <list.txt
[ "$(wc -l <../serial.csv)" -eq 20 ] || fail "the serial run gave $(wc -l <../serial.csv) lines"
if ! cmp -s ../serial.csv ../out/summary.csv; then
    diff ../serial.csv ../out/summary.csv >&2 || true
    fail "summary.csv differs from the serial run's rows"
fi

[ "$(sed -n 1p ../out/failures.csv)" = "file,exit_status,error" ] || fail "failures.csv header"
[ "$(wc -l <../out/failures.csv)" -eq 2 ] || fail "failures.csv: $(cat ../out/failures.csv)"
line=$(sed -n 2p ../out/failures.csv)
case "$line" in
'"notes07.wav",1,"Cannot analyse file: Cannot read notes07.wav: it is a text file, not a sound file'*) ;;
*) fail "failures.csv does not name notes07.wav with its error: $line" ;;
esac
n=$(ls ../out/cells | wc -l)
[ "$n" -eq 19 ] || fail "$n cells tables, not 19"
n=$(ls ../out/tracks | wc -l)
[ "$n" -eq 19 ] || fail "$n tracks tables, not 19"
head -n 1 ../out/tracks/00020_voice20.csv | grep -q '^time_centre_s,left_accepted' ||
    fail "tracks of voice20.wav"

# A row and a failure gone from finished tasks: the merge fails and names both files, and only
# them.
sed -i '/^"\{0,1\}voice11\.wav"\{0,1\},/d' ../out/rows/task_00003.csv
sed -i '/^"notes07\.wav"/d' ../out/failed/task_00002.csv
status=0
"$src/scripts/cluster/corpus_merge.sh" "$work/out" 2 >../merge.log 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "the merge of incomplete tables: status $status: $(cat ../merge.log)"
grep -q '2 files of the list are in neither summary.csv nor failures.csv' ../merge.log ||
    fail "the merge did not say what is missing: $(cat ../merge.log)"
[ "$(grep -c '^  ' ../merge.log)" -eq 2 ] && grep -qx '  notes07.wav' ../merge.log &&
    grep -qx '  voice11.wav' ../merge.log || fail "the merge named other files: $(cat ../merge.log)"
[ "$(cat ../out/slurm/finished)" = 1 ] || fail "the failed merge left status $(cat ../out/slurm/finished)"
echo "slurm corpus: 19 rows as the serial run's, 1 failure named, 3 cancelled tasks run again, a missing file named"

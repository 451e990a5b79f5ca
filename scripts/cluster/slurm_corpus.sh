#!/bin/sh
# Analyses a corpus on a Slurm cluster: one job array over the files named in LIST, at most N
# files per task, and a final job, dependent on the array, that merges the summary rows into
# one table in LIST's order.
#
#   scripts/cluster/slurm_corpus.sh [options] LIST OUTDIR [-- gravon-cli options]
#
# LIST names one sound file a line (relative names are taken from the folder this is run in,
# where the tasks run too). The gravon-cli options stand before each file on its command line,
# so /f14.1 gives it its full scale. OUTDIR, new or empty, receives:
#   summary.csv          the --summary-csv rows of every file, in LIST's order
#   failures.csv         file,exit_status,error: the files that could not be analysed (their
#                        error text is what gravon-cli printed), and those of a task that the
#                        cluster killed twice
#   cells/, tracks/      <number>_<name>.csv of each file: its --cells-csv and --tracks tables
#   rows/, failed/       each task's summary rows and failures, before the merge
#   slurm/               the run's list, settings, job numbers and logs
# A task that the cluster kills (time limit, cancelled, node failure) is resubmitted once by
# the final job, which then waits for it before it merges. The merge fails, naming them, when
# lines of LIST are in neither summary.csv nor failures.csv.
#
# Options:
#   --files-per-task N   at most N files per array task (default 10)
#   --gravon-cli PATH    the program the tasks run (default: build/gravon-cli of this tree,
#                        else gravon-cli on the PATH)
#   --sbatch ARG         an argument for every sbatch call (--partition=..., --time=...,
#                        --account=...); may be given several times
#   --wait               wait until the merged tables are written; exit 0 when every file was
#                        analysed, 1 when failures.csv names any or the merge failed
set -eu

die() {
    echo "slurm_corpus.sh: $*" >&2
    exit 2
}

here=$(cd "$(dirname "$0")" && pwd)
per=10
cli=""
wait=""
list=""
outdir=""
sbatchargs=""
while [ $# -gt 0 ]; do
    case "$1" in
    --files-per-task)
        [ $# -ge 2 ] || die "--files-per-task needs a number"
        per=$2
        shift 2
        ;;
    --gravon-cli)
        [ $# -ge 2 ] || die "--gravon-cli needs a path"
        cli=$2
        shift 2
        ;;
    --sbatch)
        [ $# -ge 2 ] || die "--sbatch needs an argument"
        sbatchargs="$sbatchargs$2
"
        shift 2
        ;;
    --wait)
        wait=1
        shift
        ;;
    --)
        shift
        break
        ;;
    -*) die "unknown option $1" ;;
    *)
        if [ -z "$list" ]; then
            list=$1
        elif [ -z "$outdir" ]; then
            outdir=$1
        else
            die "unexpected argument $1 (gravon-cli options go after --)"
        fi
        shift
        ;;
    esac
done
[ -n "$list" ] && [ -n "$outdir" ] || die "usage: slurm_corpus.sh [options] LIST OUTDIR [-- gravon-cli options]"
case "$per" in '' | *[!0-9]* | 0) die "--files-per-task needs a whole number from 1, not \"$per\"" ;; esac
[ -f "$list" ] && [ -r "$list" ] || die "$list: no such list of files"
if [ -z "$cli" ]; then
    if [ -x "$here/../../build/gravon-cli" ]; then
        cli="$here/../../build/gravon-cli"
    else
        cli=$(command -v gravon-cli) || die "gravon-cli not found (give --gravon-cli PATH)"
    fi
fi
case "$cli" in /*) ;; *) cli="$(pwd)/$cli" ;; esac
[ -x "$cli" ] || die "$cli: not an executable program"
command -v sbatch >/dev/null 2>&1 || die "sbatch not found: is this a Slurm submit host?"
mkdir -p "$outdir"
outdir=$(cd "$outdir" && pwd)
[ -z "$(ls -A "$outdir")" ] || die "$outdir holds files: name a new or empty folder"

state="$outdir/slurm"
mkdir -p "$state/logs" "$outdir/rows" "$outdir/failed" "$outdir/done" "$outdir/cells" \
    "$outdir/tracks"
# Blank lines name nothing.
grep -v '^[[:space:]]*$' "$list" >"$state/files.txt" || true
nfiles=$(wc -l <"$state/files.txt")
[ "$nfiles" -gt 0 ] || die "$list names no files"
ntasks=$(((nfiles + per - 1) / per))
: >"$state/options.txt"
for o in "$@"; do printf '%s\n' "$o" >>"$state/options.txt"; done
printf '%s' "$sbatchargs" >"$state/sbatch.txt"
name="gravon-corpus-$(date +%Y%m%d%H%M%S)-$$"
cat >"$state/config.sh" <<CONF
per=$per
ntasks=$ntasks
nfiles=$nfiles
name='$name'
cli='$cli'
scripts='$here'
CONF

# Nothing was submitted: the folder is left as empty as it was found, for the next try.
undo() {
    rm -rf "$state" "$outdir/rows" "$outdir/failed" "$outdir/done" "$outdir/cells" \
        "$outdir/tracks"
    die "$1"
}
array=$("$here/corpus_submit.sh" "$outdir" array "0-$((ntasks - 1))") ||
    undo "sbatch refused the job array (its message is above)"
merge=$("$here/corpus_submit.sh" "$outdir" merge "$array" 1) || {
    scancel "$array" 2>/dev/null || true
    undo "sbatch refused the merge job (its message is above); the job array $array was cancelled"
}
printf 'array %s\nmerge %s\n' "$array" "$merge" >"$state/jobs.txt"
echo "slurm_corpus.sh: $nfiles files in $ntasks tasks: job array $array, merge job $merge"
echo "slurm_corpus.sh: the merged tables will be $outdir/summary.csv and $outdir/failures.csv"
[ -n "$wait" ] || exit 0

# The final merge (after a resubmission, the second one) leaves its exit status behind.
while [ ! -e "$state/finished" ]; do
    if [ -z "$(squeue -h -n "$name" -o %i 2>/dev/null)" ]; then
        sleep 2
        [ -e "$state/finished" ] && break
        echo "slurm_corpus.sh: the jobs of $name are gone, but nothing was merged (see $state/logs)" >&2
        exit 1
    fi
    sleep 1
done
cat "$state/merge-report.txt"
exit "$(cat "$state/finished")"

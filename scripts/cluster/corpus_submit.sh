#!/bin/sh
# Submits a job of a corpus run of slurm_corpus.sh, with the run's sbatch arguments, and prints
# its job number.
#   corpus_submit.sh OUTDIR array INDICES        the tasks with these array indices
#   corpus_submit.sh OUTDIR merge JOB ROUND      the merge, once job JOB has ended
set -eu
outdir=$1
kind=$2
state="$outdir/slurm"
. "$state/config.sh"
# The run's own sbatch arguments stand one a line; each line is one argument.
set -f
IFS='
'
extra=$(grep -v '^$' "$state/sbatch.txt" || true)
case "$kind" in
array)
    # shellcheck disable=SC2086
    id=$(sbatch --parsable --job-name="$name" --array="$3" --ntasks=1 \
        --output="$state/logs/task_%a.out" $extra "$scripts/corpus_task.sh" "$outdir")
    ;;
merge)
    # shellcheck disable=SC2086
    id=$(sbatch --parsable --job-name="$name" --ntasks=1 --dependency="afterany:$3" \
        --kill-on-invalid-dep=no --output="$state/logs/merge_$4.out" $extra \
        "$scripts/corpus_merge.sh" "$outdir" "$4")
    ;;
*)
    echo "corpus_submit.sh: unknown kind $kind" >&2
    exit 2
    ;;
esac
# "job" or "job;cluster"
echo "${id%%;*}"

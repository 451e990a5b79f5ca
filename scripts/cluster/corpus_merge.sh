#!/bin/sh
# The final job of a corpus run of slurm_corpus.sh, after every task of the array has ended.
# Round 1: the tasks that did not finish (the cluster killed them) are submitted once more,
# with a merge of round 2 after them. Otherwise: the tasks' rows become summary.csv and their
# failures failures.csv, both in the order of the list, with the files of tasks that did not
# finish twice among the failures.
#   corpus_merge.sh OUTDIR ROUND
set -eu
outdir=$1
round=$2
state="$outdir/slurm"
. "$state/config.sh"

unfinished=""
t=0
while [ "$t" -lt "$ntasks" ]; do
    [ -e "$outdir/done/task_$(printf '%05d' "$t")" ] || unfinished="$unfinished${unfinished:+,}$t"
    t=$((t + 1))
done
if [ -n "$unfinished" ] && [ "$round" -eq 1 ]; then
    echo "corpus_merge.sh: tasks $unfinished did not finish; submitting them once more"
    array=$("$scripts/corpus_submit.sh" "$outdir" array "$unfinished")
    merge=$("$scripts/corpus_submit.sh" "$outdir" merge "$array" 2)
    printf 'resubmitted %s\nmerge %s\n' "$array" "$merge" >>"$state/jobs.txt"
    exit 0
fi

csv_quote() {
    printf '"%s"' "$(printf '%s' "$1" | sed 's/"/""/g')"
}

# What a task's log says about its end, e.g. "*** JOB 12 ON node CANCELLED AT ... ***".
why_unfinished() {
    reason=$(grep -h '\*\*\*' "$state/logs/task_$1.out" 2>/dev/null | tail -n 1 |
        sed 's/^.*\*\*\* *//; s/ *\*\*\*.*$//')
    echo "the cluster ended the task twice before it finished${reason:+ ($reason)}"
}

summary="$outdir/summary.csv"
failures="$outdir/failures.csv"
header=""
rows=0
: >"$summary.partial"
echo "file,exit_status,error" >"$failures.partial"
t=0
while [ "$t" -lt "$ntasks" ]; do
    tag=$(printf '%05d' "$t")
    if [ -e "$outdir/done/task_$tag" ]; then
        part="$outdir/rows/task_$tag.csv"
        if [ -s "$part" ]; then
            h=$(head -n 1 "$part")
            if [ -z "$header" ]; then
                header=$h
                printf '%s\n' "$header" >"$summary.partial"
            elif [ "$h" != "$header" ]; then
                echo "corpus_merge.sh: $part has other columns than the rows before it" >&2
                exit 1
            fi
            tail -n +2 "$part" >>"$summary.partial"
            rows=$((rows + $(tail -n +2 "$part" | wc -l)))
        fi
        cat "$outdir/failed/task_$tag.csv" >>"$failures.partial"
    else
        text=$(why_unfinished "$t")
        sed -n "$((t * per + 1)),$((t * per + per))p" "$state/files.txt" | while IFS= read -r f; do
            printf '%s,,%s\n' "$(csv_quote "$f")" "$(csv_quote "$text")"
        done >>"$failures.partial"
    fi
    t=$((t + 1))
done
nfailed=$(($(wc -l <"$failures.partial") - 1))
mv "$failures.partial" "$failures"
if [ -n "$header" ]; then
    mv "$summary.partial" "$summary"
else
    rm -f "$summary.partial"
fi
{
    if [ -n "$header" ]; then
        echo "slurm_corpus.sh: $nfiles files: $rows summary rows in $summary"
    else
        echo "slurm_corpus.sh: $nfiles files: no summary.csv, since no file was analysed"
    fi
    echo "slurm_corpus.sh: $nfailed of them failed, as $failures says"
} >"$state/merge-report.txt"
cat "$state/merge-report.txt"
status=0
[ "$nfailed" -eq 0 ] || status=1
echo "$status" >"$state/finished"

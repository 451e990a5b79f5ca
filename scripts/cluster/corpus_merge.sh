#!/bin/sh
# The final job of a corpus run of slurm_corpus.sh, after every task of the array has ended.
# Round 1: the tasks that did not finish (the cluster killed them) are submitted once more,
# with a merge of round 2 after them. Otherwise: the tasks' rows become summary.csv and their
# failures failures.csv, both in the order of the list, with the files of tasks that did not
# finish twice among the failures. A task counts as finished only by its mark, which it makes
# after a clean end. Then every line of the list must stand in one of the two tables; the
# merge fails naming each one that does not (the tables are written all the same).
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

# Every line of the list must stand in one of the two tables: a file with rows names itself in
# the first column (a phonetogram file by its name without the folder), a failure in the first
# field. A line named twice needs two entries.
missing=$(awk -v summary="$summary.partial" -v failures="$failures.partial" '
    function first(line, f, i, c) {
        if (substr(line, 1, 1) != "\"") {
            i = index(line, ",")
            return i ? substr(line, 1, i - 1) : line
        }
        f = ""
        for (i = 2; i <= length(line); i++) {
            c = substr(line, i, 1)
            if (c == "\"") {
                if (substr(line, i + 1, 1) != "\"") return f
                i++
            }
            f = f c
        }
        return f
    }
    FILENAME == summary || FILENAME == failures {
        if (FNR > 1) seen[first($0)]++
        next
    }
    {
        base = $0
        sub(/^.*\//, "", base)
        if (seen[$0] > 0) seen[$0]--
        else if (seen[base] > 0) seen[base]--
        else print
    }' "$summary.partial" "$failures.partial" "$state/files.txt")
nmissing=0
[ -z "$missing" ] || nmissing=$(printf '%s\n' "$missing" | wc -l)

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
    if [ "$nmissing" -gt 0 ]; then
        echo "slurm_corpus.sh: the merge failed: $nmissing files of the list are in neither summary.csv nor failures.csv:"
        printf '%s\n' "$missing" | sed 's/^/  /'
    fi
} >"$state/merge-report.txt"
cat "$state/merge-report.txt"
status=0
[ "$nfailed" -eq 0 ] && [ "$nmissing" -eq 0 ] || status=1
echo "$status" >"$state/finished"
[ "$nmissing" -eq 0 ] || exit 1

#!/bin/sh
# One array task of a corpus run of slurm_corpus.sh: gravon-cli on each of its files, with its
# summary rows and failures in files of its own, then a mark that the task finished. A task
# that runs again (resubmitted after the cluster killed it) starts its files afresh.
#   corpus_task.sh OUTDIR          (SLURM_ARRAY_TASK_ID says which task)
#
# The mark is the merge's only proof that every file of the task has its summary row or its
# failure, so it is made last, after a clean end: the rows and failures grow in files of their
# own and take their names only when the task is through. A cancel, a time limit or a node
# going away ends the task without the mark, and the merge runs it again. A cluster may signal
# only some of the task's processes, so every step's failure ends the task unfinished too
# (-e), not only a signal to this shell.
set -eu
outdir=$1
state="$outdir/slurm"
. "$state/config.sh"
task=${SLURM_ARRAY_TASK_ID:?corpus_task.sh runs as a task of a Slurm job array}
tag=$(printf '%05d' "$task")
rows="$outdir/rows/task_$tag.csv"
failed="$outdir/failed/task_$tag.csv"
mark="$outdir/done/task_$tag"
rowspart="$rows.partial"
failedpart="$failed.partial"

# The cluster signals the task before it kills it. The file at hand ends with it (gravon-cli
# is signalled too), and nothing of this run counts.
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

give_up() {
    echo "corpus_task.sh: $*; the task ends unfinished" >&2
    exit 1
}

rm -f "$mark" "$rows" "$failed" "$rowspart" "$failedpart" || give_up "cannot clear the task's files"
{ : >"$rowspart" && : >"$failedpart"; } || give_up "cannot write in $outdir"

csv_quote() {
    quoted=$(printf '%s' "$1" | sed 's/"/""/g')
    printf '"%s"' "$quoted"
}

# The file failed: its line in the task's failures.
fail_file() {
    qfile=$(csv_quote "$1")
    qtext=$(csv_quote "$3")
    printf '%s,%s,%s\n' "$qfile" "$2" "$qtext" >>"$failedpart" || give_up "cannot write $failedpart"
    echo "corpus_task.sh: $1: status $2: $3"
}

first=$((task * per + 1))
last=$((first + per - 1))
index=0
handled=0
# Read in this shell, not a pipeline's, so that its end is this task's end.
while IFS= read -r file; do
    index=$((index + 1))
    [ "$index" -ge "$first" ] || continue
    [ "$index" -le "$last" ] || break
    handled=$((handled + 1))
    base=${file##*/}
    out=$(printf '%05d_%s' "$index" "${base%.*}")
    err="$state/logs/file_$out.err"
    # The run's gravon-cli options, one a line, go before the file.
    set -f
    IFS='
'
    options=$(cat "$state/options.txt")
    # shellcheck disable=SC2086
    set -- $options
    unset IFS
    set +f
    before=$(wc -l <"$rowspart")
    status=0
    "$cli" "$@" "$file" --summary-csv "$rowspart" --cells-csv "$outdir/cells/$out.csv" \
        --tracks "$outdir/tracks/$out.csv" </dev/null 2>"$err" || status=$?
    case "$status" in
    # 3: the results are there, with warnings in the summary row.
    0 | 3)
        after=$(wc -l <"$rowspart")
        if [ "$after" -gt "$before" ]; then
            echo "corpus_task.sh: $file: status $status"
        else
            fail_file "$file" "$status" "gravon-cli ended with status $status but wrote no summary row"
        fi
        ;;
    # Hung up, interrupted, killed or terminated: the task is being ended, not the file refused.
    129 | 130 | 137 | 143)
        echo "corpus_task.sh: $file: gravon-cli was ended by signal $((status - 128)); the task ends unfinished" >&2
        exit "$status"
        ;;
    *)
        text=$(awk '!/^gravon-cli: warning: / { if (n++) printf " | "; printf "%s", $0 }' "$err")
        [ -n "$text" ] || text="gravon-cli ended with status $status and said nothing"
        fail_file "$file" "$status" "$text"
        ;;
    esac
done <"$state/files.txt"
# Every file of the task went through the loop.
expected=$((nfiles - first + 1))
[ "$expected" -le "$per" ] || expected=$per
[ "$handled" -eq "$expected" ] || give_up "$handled of its $expected files were handled"

mv -f "$rowspart" "$rows" && mv -f "$failedpart" "$failed" ||
    give_up "cannot name the task's rows and failures"
touch "$mark" || give_up "cannot write $mark"

#!/bin/sh
# One array task of a corpus run of slurm_corpus.sh: gravon-cli on each of its files, with its
# summary rows and failures in files of its own, then a mark that the task finished. A task
# that runs again (resubmitted after the cluster killed it) starts its files afresh.
#   corpus_task.sh OUTDIR          (SLURM_ARRAY_TASK_ID says which task)
set -u
outdir=$1
state="$outdir/slurm"
. "$state/config.sh"
task=${SLURM_ARRAY_TASK_ID:?corpus_task.sh runs as a task of a Slurm job array}
tag=$(printf '%05d' "$task")
rows="$outdir/rows/task_$tag.csv"
failed="$outdir/failed/task_$tag.csv"
rm -f "$rows" "$failed" "$outdir/done/task_$tag"
: >"$failed"

csv_quote() {
    printf '"%s"' "$(printf '%s' "$1" | sed 's/"/""/g')"
}

first=$((task * per + 1))
last=$((first + per - 1))
n=0
sed -n "${first},${last}p" "$state/files.txt" | while IFS= read -r file; do
    index=$((first + n))
    n=$((n + 1))
    base=$(basename "$file")
    out=$(printf '%05d_%s' "$index" "${base%.*}")
    err="$state/logs/file_$out.err"
    # The run's gravon-cli options, one a line, go before the file.
    set -f
    IFS='
'
    # shellcheck disable=SC2046
    set -- $(cat "$state/options.txt")
    unset IFS
    set +f
    status=0
    "$cli" "$@" "$file" --summary-csv "$rows" --cells-csv "$outdir/cells/$out.csv" \
        --tracks "$outdir/tracks/$out.csv" 2>"$err" || status=$?
    # 3: the results are there, with warnings in the summary row.
    if [ "$status" -ne 0 ] && [ "$status" -ne 3 ]; then
        text=$(grep -v '^gravon-cli: warning: ' "$err" | awk 'NR > 1 { printf " | " } { printf "%s", $0 }')
        [ -n "$text" ] || text="gravon-cli ended with status $status and said nothing"
        printf '%s,%s,%s\n' "$(csv_quote "$file")" "$status" "$(csv_quote "$text")" >>"$failed"
        echo "corpus_task.sh: $file: status $status: $text"
    else
        echo "corpus_task.sh: $file: status $status"
    fi
done
touch "$outdir/done/task_$tag"

#!/bin/sh
# Fails when a file of one layer includes a header of a layer above it. The layers, bottom up;
# src/<layer>/ and tests/<layer>/ may include their own layer and the ones below.
#   scripts/check_layers.sh [source dir]
cd "${1:-$(dirname "$0")/..}" || exit 2
layers="base analysis phonetogram files settings calibration audio core ui"
status=0
rank() {
    i=0
    for l in $layers; do
        [ "$l" = "$1" ] && { echo $i; return; }
        i=$((i + 1))
    done
    echo -1
}
for layer in $layers; do
    own=$(rank "$layer")
    for dir in src/$layer tests/$layer; do
        [ -d "$dir" ] || continue
        # Every "layer/..." include of every file under the folder.
        grep -rnoE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z_]+/' "$dir" |
            while IFS= read -r hit; do
                inc=$(printf '%s\n' "$hit" | sed -E 's/.*"([a-z_]+)\/$/\1/')
                r=$(rank "$inc")
                if [ "$r" -gt "$own" ]; then
                    echo "${hit%%:*}: $layer includes $inc/, a layer above it"
                    echo x
                fi
            done
    done
done | { bad=0; while IFS= read -r line; do
        if [ "$line" = x ]; then bad=1; else echo "$line" >&2; fi
    done; exit $bad; } || status=1
[ $status -eq 0 ] && echo "layers: every include runs downward"
exit $status

#!/usr/bin/env bash
# Builds the example pool into a KRZ file, splits it into small parts, joins
# them again and lists what the file holds.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
CLI="$BUILD/bin/dorvane-cli"
OUT=$(mktemp -d /tmp/dorvane-demo.XXXXXX)
cd "$(dirname "$0")/../examples"
echo "== make: examples/example.dvn -> $OUT/EXAMPLE.KRZ"
"$CLI" make -o "$OUT/EXAMPLE.KRZ" example.dvn
ls -l "$OUT/EXAMPLE.KRZ"
echo "== split into parts of 100 KB"
"$CLI" split "$OUT/EXAMPLE.KRZ" --size 100
ls -l "$OUT"
echo "== join the parts"
"$CLI" join "$OUT/EXAMPLE.KRZ01" --dest "$OUT/JOINED.KRZ"
cmp -i 16 "$OUT/EXAMPLE.KRZ" "$OUT/JOINED.KRZ" && echo "joined file equals the original past its header"
echo "== info"
"$CLI" info "$OUT/EXAMPLE.KRZ"
echo "(files in $OUT)"

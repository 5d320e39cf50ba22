#!/usr/bin/env bash
# Writes the import fixtures again with the two other ADIF writers (tcadif, adif-parser-ts,
# pinned in package-lock.json) and checks that the committed files are exactly what they write.
#   run_fixtures.sh WORK_DIR SOURCE_DIR
# Node.js and npm are required: a machine without them fails here instead of skipping.
set -euo pipefail
work=$1 src=$2

# shellcheck source=node_packages.sh
. "$src/node_packages.sh"
node_packages "ADIF fixtures" "$work" "$src" adif-parser-ts

rm -rf "$work/fixtures"
NODE_PATH="$work/node_modules" node "$src/make_import_fixtures.js" "$work/fixtures"
status=0
for f in "$work"/fixtures/*; do
    name=$(basename "$f")
    if ! cmp "$f" "$src/fixtures/$name"; then
        echo "ADIF fixtures: $name is no longer what its writer produces" >&2
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "ADIF fixtures: $(ls "$work/fixtures" | wc -l) files written again, unchanged"
exit $status

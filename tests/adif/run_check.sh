#!/usr/bin/env bash
# Exports sample logs to ADIF with the program's own exporter, then has them read by tcadif.
#   run_check.sh EXPORTER WORK_DIR SOURCE_DIR
# Node.js and npm are required: a machine without them fails here instead of skipping.
set -euo pipefail
exporter=$1 work=$2 src=$3

# shellcheck source=node_packages.sh
. "$src/node_packages.sh"
node_packages "ADIF check" "$work" "$src" tcadif

# The exporter writes the samples and prints "FILE RECORDS" pairs.
mapfile -t pairs < <("$exporter" "$work/samples")
# shellcheck disable=SC2206
checks=(${pairs[*]})
NODE_PATH="$work/node_modules" node "$src/check_adif.js" "${checks[@]}"

# The check itself must be able to fail: an accented first name written as it stands in the
# log is refused.
bad="$work/samples/accented.adi"
printf 'x\r\n<eoh>\r\n<call:5>F1ABC<name:5>Herv\xe9<band:3>40m<mode:3>SSB<qso_date:8>20260101<time_on:4>1000<eor>\r\n' >"$bad"
if NODE_PATH="$work/node_modules" node "$src/check_adif.js" "$bad" 1 2>/dev/null; then
    echo "ADIF check: tcadif accepted a record with an 8-bit character" >&2
    exit 1
fi
echo "ADIF check: the 8-bit control record was refused, as it must be"

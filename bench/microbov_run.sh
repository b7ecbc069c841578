#!/usr/bin/env bash
# CPU time of a whole default run on the public microbov data set (704 cattle
# of 15 breeds, 30 microsatellite loci of unknown phase): every analysis the
# settings can select but the Mantel test (which needs a matrix of its own),
# with examples/example.drs's values and the linkage-disequilibrium test at
# 1,000 permutations (the number of permutations of the likelihood-ratio
# test of unknown phase is MarkovChainStepsLD).
#
#   bench/microbov_run.sh [drovexec] [LD permutations, 0: no LD test]
#
# The run goes to a temporary folder with a fixed seed; the script prints the
# user and system CPU seconds of drovexec and keeps nothing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
exe="$(realpath "${1:-$here/../build/release/drovexec}")"
permutations="${2:-1000}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

tasks=65535  # every analysis bit but the Mantel test's
[ "$permutations" -gt 0 ] || tasks=$((tasks - 16))  # without the LD test
cp "$here/data/microbov.drp" "$work/"
sed -e "s/^TaskNumber=.*/TaskNumber=$tasks/" \
    -e "s/^MarkovChainStepsLD=.*/MarkovChainStepsLD=$permutations/" \
    "$here/../examples/example.drs" > "$work/microbov.drs"

cd "$work"
TIMEFORMAT="microbov, LD permutations $permutations: %U s user, %S s system, %R s wall"
time DROVEXEC_SEED=-4242 "$exe" microbov.drp microbov.drs run_silent > /dev/null
echo "ERROR lines in the log: $(grep -c ERROR microbov.res/Drovalen_log.txt || true)"
echo "samples in the results: $(grep -c '^== Sample :' microbov.res/microbov.htm || true)"

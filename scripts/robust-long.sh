#!/bin/bash
# The long robustness run, one command: the robustness tests of the normal suite with
# ten times the mutated inputs, four times the kills and fifty PCs in parallel.
# Override any figure through the environment, e.g. ROBUST_MUTATIONS=1000000.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export ROBUST_MUTATIONS=${ROBUST_MUTATIONS:-100000}
export ROBUST_KILLS=${ROBUST_KILLS:-200}
export ROBUST_PCS=${ROBUST_PCS:-50}
export ROBUST_BIG_ITEMS=${ROBUST_BIG_ITEMS:-100000}
export ROBUST_SEED=${ROBUST_SEED:-$(date +%s)}
echo "robust-long: seed $ROBUST_SEED, $ROBUST_MUTATIONS inputs per target, $ROBUST_KILLS kills, $ROBUST_PCS PCs"
exec bash "$ROOT/scripts/test.sh" -R '^robust_' -V --timeout 14400 "$@"

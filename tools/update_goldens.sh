#!/usr/bin/env bash
# Rewrites the golden pictures under tests/golden/ from what the game draws
# now. Run it only after a change that is meant to alter the picture, and look
# at every rewritten file before committing it.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build -j"$(nproc)" > /dev/null
POTE_UPDATE_GOLDENS=1 ctest --test-dir build -R 'Golden' --output-on-failure
git status --short tests/golden

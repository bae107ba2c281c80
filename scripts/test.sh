#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: the native portable core under
# sanitizers, then the Windows build under Wine (unit tests, the module contract test and the
# end-to-end runs of the host). Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
cmake --preset native
cmake --build --preset native -j "$jobs"
ctest --preset native

cmake --preset windows
cmake --build --preset windows -j "$jobs"
bash scripts/wine/session.sh ctest --preset windows

# The fuzz harnesses, each for a short bounded run (clang, ASan and UBSan).
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
ctest --test-dir build/fuzz --output-on-failure

#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test: the native portable core under
# sanitizers, then the Windows build under Wine (unit tests, the module contract test and the
# end-to-end runs of the host). Exits non-zero when anything fails. On a machine whose kernel runs
# no 32-bit programs Wine cannot start: the Windows build is still made, its tests are skipped
# with a message saying so.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
cmake --preset native
cmake --build --preset native -j "$jobs"
ctest --preset native

# The Windows build is made on every machine; its tests run where Wine can run it.
cmake --preset windows
cmake --build --preset windows -j "$jobs"
source scripts/wine/env.sh
if tidemarch_wine_runnable; then
    bash scripts/wine/session.sh ctest --preset windows
else
    echo "test: SKIPPED the Windows tests and the end-to-end runs under Wine (see above); the native and fuzz tests still run" >&2
fi

# The fuzz harnesses, each for a short bounded run (clang, ASan and UBSan).
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
ctest --test-dir build/fuzz --output-on-failure

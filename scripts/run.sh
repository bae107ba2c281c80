#!/usr/bin/env bash
# Sets up the machine, builds the Windows host and runs it under Wine, full screen at 1024x768
# with 16-bit colour. Without a DISPLAY it runs on a private Xvfb display and leaves a
# screenshot in build/run-screenshot.png. The run ends after TIDEMARCH_RUN_SECONDS (default 30).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset windows
cmake --build --preset windows -j "$(nproc)" --target tidemarch demo_module
exec bash scripts/wine/session.sh bash scripts/wine/run-host.sh "${TIDEMARCH_RUN_SECONDS:-30}" "$@"

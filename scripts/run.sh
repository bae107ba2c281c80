#!/usr/bin/env bash
# The player's journey on one machine: sets up, builds the Windows host, the demonstration game
# module and the native update server, then starts the reference update server on
# 127.0.0.1:8100 serving a release folder (the module, its sprites and a few files of the game),
# installs the player's download silently (the build's installer: Tidemarch.exe, SPR/Start.SPR and
# the uninstaller) into a fresh install folder and starts the host there under Wine. The player
# sees the update's progress and then the module's screen. Without a DISPLAY it runs on a private
# Xvfb display and leaves screenshots in build/journey/. The run ends after TIDEMARCH_RUN_SECONDS
# (default 40), or earlier when the host ends (Escape), in order: the host, the update server, Wine
# and the display.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine/env.sh
tidemarch_wine_runnable || exit 1
cmake --preset native
cmake --build --preset native -j "$(nproc)" --target update_server scrambler_tool
cmake --preset windows
cmake --build --preset windows -j "$(nproc)" --target tidemarch demo_module player_download
exec bash scripts/wine/session.sh bash scripts/wine/run-journey.sh "${TIDEMARCH_RUN_SECONDS:-40}"

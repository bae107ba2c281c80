#!/usr/bin/env bash
# Runs one Windows executable under the project's Wine runtime, bounded in time.
#   TIDEMARCH_WINE_TIMEOUT  seconds before the run is ended (default 240)
# A display must be given (DISPLAY); scripts/wine/session.sh provides one.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
tidemarch_wine_prefix
exec timeout --kill-after=10 "${TIDEMARCH_WINE_TIMEOUT:-240}" wine "$@"

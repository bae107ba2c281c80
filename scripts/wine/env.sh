# Sourced by the Wine helpers: the project's private Wine runtime.
#   WINEPREFIX   a prefix under the build tree, created once and reused
#   WINEDEBUG    quiet
#   ALSA         a null playback device, so that DirectSound can open a device with no sound card
_tm_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export TIDEMARCH_ROOT="$_tm_root"
export WINEPREFIX="${TIDEMARCH_WINEPREFIX:-$_tm_root/build/wine}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installers, and no debugger: a crashing program ends instead of waiting.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}"
export ALSA_CONFIG_PATH="$_tm_root/scripts/wine/asound-null.conf"
unset _tm_root

# Creates the prefix once; concurrent callers wait for the first.
tidemarch_wine_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.tidemarch-ready" ]; then
            timeout 180 wineboot -i >/dev/null 2>&1 || true
            timeout 60 wineserver -w || true
            touch "$WINEPREFIX/.tidemarch-ready"
        fi
    ) 9>"$(dirname "$WINEPREFIX")/.wine-prefix.lock"
}

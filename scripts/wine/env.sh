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

# Wine's Direct3D layer, which draws DirectDraw surfaces when there is no OpenGL (Xvfb), runs a
# command-stream thread that waits busily for work: with it the host uses most of a core to show
# a still picture. The prefix turns it off (HKCU\Software\Wine\Direct3D, csmt = DWORD 0).
tidemarch_direct3d_settled() {
    grep -q '^"csmt"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null
}

# Creates the prefix once and keeps its settings; concurrent callers wait for the first.
tidemarch_wine_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.tidemarch-ready" ]; then
            timeout 180 wineboot -i >/dev/null 2>&1 || true
            timeout 60 wineserver -w || true
            touch "$WINEPREFIX/.tidemarch-ready"
        fi
        if ! tidemarch_direct3d_settled; then
            timeout 60 wine reg add 'HKCU\Software\Wine\Direct3D' /v csmt /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
            # The server writes the registry to user.reg when it ends.
            timeout 60 wineserver -w || true
            tidemarch_direct3d_settled || echo "wine: could not turn off Direct3D's command stream in $WINEPREFIX" >&2
        fi
    ) 9>"$(dirname "$WINEPREFIX")/.wine-prefix.lock"
}

# Wine runs 32-bit Windows programs in 32-bit Linux processes, so the kernel must run 32-bit
# programs: some kernels are built or booted without it (ia32 emulation off), and there every Wine
# start fails with "Exec format error". Prints why and returns 1 where that is so.
tidemarch_wine_runnable() {
    local loader=/usr/lib/wine/wine
    [ -x "$loader" ] || { echo "wine: $loader is missing (run scripts/setup.sh)" >&2; return 1; }
    if ! "$loader" --version >/dev/null 2>&1; then
        echo "wine: this machine's kernel does not run 32-bit programs (ia32 emulation is off), so Wine cannot run the Windows host here" >&2
        return 1
    fi
}

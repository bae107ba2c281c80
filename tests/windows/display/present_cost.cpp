// Not a test: what a frame's DirectDraw steps cost on this platform. Full screen at 1024x768 with
// 16 bits, a flipping primary with its back buffer and a system-memory draw surface, as the
// display makes them; then each step the host takes per frame, timed many times:
//   fill        colour fill of the whole draw surface (the frame's background clear)
//   fill-rect   the same with a rectangle, as the clear passes it (with the surface-size check)
//   describe    the surface-size check alone (GetSurfaceDesc)
//   lock-fill   lock, fill the pixels with the processor, unlock
//   memory-fill fill the pixels with the processor through the address the surface keeps
//   copy        BltFast of the draw surface to the back buffer (the present's copy)
//   flip        Flip after the back buffer changed (the present's flip)
//   is-lost     the present's check of the primary
//   dc          GetDC and ReleaseDC of the draw surface (text drawing)
// Prints the median and mean microseconds of each. ARGV: rounds (default 200).
#include <windows.h>

#include <ddraw.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "step_timing.h"

namespace {
constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kBits = 16;

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "PresentCost";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "PresentCost", "PresentCost", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                                  kHeight, nullptr, nullptr, instance, nullptr);
    IDirectDraw* first = nullptr;
    IDirectDraw4* draw = nullptr;
    if (FAILED(DirectDrawCreate(nullptr, &first, nullptr)) ||
        FAILED(first->SetCooperativeLevel(window, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE)) ||
        FAILED(first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&draw)))) {
        std::printf("no DirectDraw\n");
        return 1;
    }
    draw->SetDisplayMode(kWidth, kHeight, kBits, 0, 0);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 2;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    IDirectDrawSurface4* primary = nullptr;
    IDirectDrawSurface4* back = nullptr;
    IDirectDrawSurface4* surface = nullptr;
    DDSCAPS2 backCaps{};
    backCaps.dwCaps = DDSCAPS_BACKBUFFER;
    DDSURFACEDESC2 plain{};
    plain.dwSize = sizeof plain;
    plain.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    plain.dwWidth = kWidth;
    plain.dwHeight = kHeight;
    plain.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    if (FAILED(draw->CreateSurface(&desc, &primary, nullptr)) ||
        FAILED(primary->GetAttachedSurface(&backCaps, &back)) ||
        FAILED(draw->CreateSurface(&plain, &surface, nullptr))) {
        std::printf("no surfaces\n");
        return 1;
    }
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof locked;
    surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr);
    auto* pixels = static_cast<uint8_t*>(locked.lpSurface);
    const LONG pitch = locked.lPitch;
    surface->Unlock(nullptr);

    uint16_t colour = 0;
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    RECT whole{0, 0, kWidth, kHeight};
    MeasureStep("fill", rounds, [&] {
        fx.dwFillColor = ++colour;
        surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    });
    MeasureStep("fill-rect", rounds, [&] {
        DDSURFACEDESC2 check{};
        check.dwSize = sizeof check;
        surface->GetSurfaceDesc(&check);
        fx.dwFillColor = ++colour;
        surface->Blt(&whole, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    });
    MeasureStep("describe", rounds, [&] {
        DDSURFACEDESC2 check{};
        check.dwSize = sizeof check;
        surface->GetSurfaceDesc(&check);
    });
    MeasureStep("lock-fill", rounds, [&] {
        DDSURFACEDESC2 l{};
        l.dwSize = sizeof l;
        if (SUCCEEDED(surface->Lock(nullptr, &l, DDLOCK_WAIT, nullptr))) {
            for (int y = 0; y < kHeight; ++y)
                std::memset(static_cast<uint8_t*>(l.lpSurface) + y * l.lPitch, 0, kWidth * 2);
            surface->Unlock(nullptr);
        }
    });
    MeasureStep("memory-fill", rounds, [&] {
        for (int y = 0; y < kHeight; ++y)
            std::memset(pixels + y * pitch, 0, kWidth * 2);
    });
    MeasureStep("copy", rounds, [&] { back->BltFast(0, 0, surface, nullptr, DDBLTFAST_WAIT); });
    MeasureStep("flip", rounds, [&] {
        back->BltFast(0, 0, surface, nullptr, DDBLTFAST_WAIT);
        primary->Flip(nullptr, DDFLIP_DONOTWAIT);
    });
    MeasureStep("is-lost", rounds, [&] { primary->IsLost(); });
    MeasureStep("dc", rounds, [&] {
        HDC dc = nullptr;
        if (SUCCEEDED(surface->GetDC(&dc))) surface->ReleaseDC(dc);
    });
    surface->Release();
    primary->Release();
    draw->Release();
    first->Release();
    DestroyWindow(window);
    return 0;
}
